#include "app/AppDelegate.h"

#include "app/AppWindows.h"
#include "app/DeviceWindowActions.h"
#include "app/GlobalHotkey.h"
#include "app/MainMenu.h"
#include "app/StatusItemController.h"
#include "app/VelmoraServiceProvider.h"
#include "app/WindowRegistry.h"
#include "core/SettingsStore.h"
#include "device/DeviceWindowController.h"
#include "skin/SkinLoader.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QtDebug>

namespace velmora {

AppDelegate::AppDelegate(QStringList arguments, QObject* parent)
    : QObject(parent),
      m_windows(std::make_unique<WindowRegistry>(SettingsStore::shared(), SkinLoader::shared())),
      m_actions(std::make_unique<DeviceWindowActions>(*m_windows, SettingsStore::shared(), SkinLoader::shared())),
      m_appWindows(std::make_unique<AppWindows>(SkinLoader::shared(), *m_windows, *m_actions))
{
    m_launch = std::make_unique<LaunchSequence>(
        std::move(arguments), SettingsStore::shared(), SkinLoader::shared(), launchHooks());
    connect(m_windows.get(), &WindowRegistry::windowOpened, this, &AppDelegate::windowOpened);
    connect(m_windows.get(), &WindowRegistry::windowClosed, m_appWindows.get(), &AppWindows::forgetDeviceWindow);
    connect(m_windows.get(), &WindowRegistry::noWindowToShow, m_appWindows.get(), &AppWindows::showSkinPicker);
    // Closing the last device window leaves the application running, reachable
    // from the tray and the hot key.
    QApplication::setQuitOnLastWindowClosed(false);
    // A quit closes every window before the event loop ends: the windows are
    // saved on the way in (eventFilter), and ended sessions on the way out.
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, m_windows.get(), &WindowRegistry::terminate);
}

AppDelegate::~AppDelegate()
{
    qApp->removeEventFilter(this);
    // The device windows go before the windows and menus they refer to.
    m_windows.reset();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Before Qt closes the windows of a quitting application.
    if (event->type() == QEvent::Quit && watched == qApp)
        m_windows->terminate();
    return QObject::eventFilter(watched, event);
}

LaunchSequence::Hooks AppDelegate::launchHooks()
{
    const QPointer<AppDelegate> self(this);
    LaunchSequence::Hooks hooks;
    hooks.setupMenu = [self] { self->setupMenu(); };
    hooks.registerHotkey = [self] {
        GlobalHotkey::shared().registerHotkey(GlobalHotkey::spaceKeysym, GlobalHotkey::altModifier, [self] {
            if (self)
                self->m_windows->toggleFrontmostWindow();
        });
    };
    hooks.showStatusItem = [self] {
        auto* item = new StatusItemController(self);
        WindowRegistry* windows = self->m_windows.get();
        AppWindows* appWindows = self->m_appWindows.get();
        connect(item, &StatusItemController::showAppRequested, windows, &WindowRegistry::toggleFrontmostWindow);
        // "New Tab" with no device window active asks for a skin instead.
        connect(item, &StatusItemController::newTabRequested, appWindows, [appWindows, self] {
            if (!self->m_actions->newSession())
                appWindows->showSkinPicker();
        });
        connect(item, &StatusItemController::newWindowRequested, appWindows, &AppWindows::showSkinPicker);
        connect(item, &StatusItemController::settingsRequested, appWindows, &AppWindows::showSettings);
    };
    hooks.startServiceProvider = [self] {
        auto* provider = new VelmoraServiceProvider(self);
        const DeviceWindowActions* actions = self->m_actions.get();
        connect(provider, &VelmoraServiceProvider::openWindowRequested, self, [actions](const QString& folder) {
            actions->openWindow(folder);
        });
        connect(provider, &VelmoraServiceProvider::openTabRequested, self, [actions](const QString& folder) {
            actions->openTab(folder);
        });
        connect(provider, &VelmoraServiceProvider::reopenRequested, self->m_windows.get(), &WindowRegistry::reopen);
        provider->onPreviewSkin
            = [self](const QString& folder) { return self ? self->m_actions->openPreview(folder) : QString(); };
        if (self->m_instanceClaimHandedOver) {
            if (self->m_instanceClaim)
                provider->serve(std::move(*self->m_instanceClaim));
            self->m_instanceClaim.reset();
        } else if (!provider->listen()) {
            qInfo().noquote() << QStringLiteral("[Velmora] Requests go to another running instance");
        }
        self->m_serviceProvider = provider;
    };
    hooks.openWindow = [self](const SkinManifest& skin, const std::optional<WindowState>& state) {
        self->m_windows->open(skin, state);
    };
    hooks.showWelcome = [self] { self->m_appWindows->showWelcomeThenPicker(); };
    hooks.afterFirstWindows = [self] {
        if (self->m_startupRequest && self->m_serviceProvider)
            self->m_serviceProvider->perform(*self->m_startupRequest);
        self->m_startupRequest.reset();
    };
    return hooks;
}

void AppDelegate::setInstanceClaim(std::optional<InstanceClaim> claim)
{
    m_instanceClaim = std::move(claim);
    m_instanceClaimHandedOver = true;
}

void AppDelegate::setupMenu()
{
    if (m_mainMenu)
        return;
    m_mainMenu = std::make_unique<MainMenu>(MainMenu::Parts{*m_actions, *m_appWindows, *m_windows});
    m_appWindows->setMainMenu(m_mainMenu.get());
    for (DeviceWindowController* controller : m_windows->controllers()) {
        controller->setApplicationMenu(m_mainMenu->menu());
        if (QWidget* window = controller->window())
            m_mainMenu->installOn(window, MainMenu::Scope::deviceWindow);
    }
}

void AppDelegate::windowOpened(DeviceWindowController* controller)
{
    AppWindows* appWindows = m_appWindows.get();
    connect(controller,
            &DeviceWindowController::skinPickerRequested,
            appWindows,
            [appWindows, target = QPointer(controller)] { appWindows->showChangeSkinPicker(target); });
    connect(controller, &DeviceWindowController::skinBuilderRequested, appWindows, &AppWindows::showSkinBuilder);
    connect(controller, &DeviceWindowController::settingsRequested, appWindows, &AppWindows::showSettings);
    if (m_mainMenu) {
        controller->setApplicationMenu(m_mainMenu->menu());
        if (QWidget* window = controller->window())
            m_mainMenu->installOn(window, MainMenu::Scope::deviceWindow);
    }
}

} // namespace velmora
