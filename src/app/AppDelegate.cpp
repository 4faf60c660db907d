#include "app/AppDelegate.h"

#include "app/CommandPaletteController.h"
#include "app/GlobalHotkey.h"
#include "app/MainMenu.h"
#include "app/SkinLookup.h"
#include "app/StatusItemController.h"
#include "app/VelmoraServiceProvider.h"
#include "app/WelcomeWindowController.h"
#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "device/DeviceWindowController.h"
#include "settings/AboutWindowController.h"
#include "settings/SettingsWindowController.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderWindowController.h"
#include "skinpicker/SkinPickerWindowController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <QtDebug>

namespace velmora {
namespace {

AppDelegate* g_instance = nullptr;

// A picker replaced goes once the event that asked for the new one (perhaps
// its own key) is done with it.
void retire(std::unique_ptr<SkinPickerWindowController>& picker)
{
    if (picker) {
        picker->close();
        picker.release()->deleteLater();
    }
}

} // namespace

AppDelegate* AppDelegate::instance() { return g_instance; }

AppDelegate::AppDelegate(QStringList arguments, QObject* parent)
    : QObject(parent),
      m_windows(std::make_unique<WindowRegistry>(SettingsStore::shared(), SkinLoader::shared())),
      m_actions(std::make_unique<DeviceWindowActions>(*m_windows, [] { return skinList(); }))
{
    g_instance = this;
    m_launch = std::make_unique<LaunchSequence>(
        std::move(arguments), SettingsStore::shared(), SkinLoader::shared(), launchHooks());
    connect(m_launch.get(), &LaunchSequence::stepFinished, this, &AppDelegate::launchStepFinished);
    connect(m_windows.get(), &WindowRegistry::windowOpened, this, &AppDelegate::windowOpened);
    connect(m_windows.get(), &WindowRegistry::windowClosed, this, &AppDelegate::windowClosed);
    connect(m_windows.get(), &WindowRegistry::noWindowToShow, this, &AppDelegate::showSkinPicker);
    connect(m_windows.get(), &WindowRegistry::windowStatesSaved, this, &AppDelegate::windowStatesSaved);
    // Closing the last device window leaves the application running, reachable
    // from the tray and the hot key.
    QApplication::setQuitOnLastWindowClosed(false);
    // A quit closes every window before the event loop ends: the windows are
    // saved on the way in (eventFilter), and ended sessions on the way out.
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

AppDelegate::~AppDelegate()
{
    qApp->removeEventFilter(this);
    // The device windows go before the windows and menus they refer to.
    m_windows.reset();
    if (g_instance == this)
        g_instance = nullptr;
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Before Qt closes the windows of a quitting application.
    if (event->type() == QEvent::Quit && watched == qApp)
        applicationWillTerminate();
    return QObject::eventFilter(watched, event);
}

// ---- start-up ----------------------------------------------------------------------

LaunchSequence::Hooks AppDelegate::launchHooks()
{
    const QPointer<AppDelegate> self(this);
    LaunchSequence::Hooks hooks;
    hooks.setupMenu = [self] { self->setupMenu(); };
    hooks.registerHotkey = [self] {
        GlobalHotkey::shared().registerHotkey(GlobalHotkey::spaceKeysym, GlobalHotkey::altModifier, [self] {
            if (self)
                self->toggleFrontmostWindow();
        });
    };
    hooks.showStatusItem = [self] {
        auto* item = new StatusItemController(self);
        connect(item, &StatusItemController::showAppRequested, self, &AppDelegate::statusItemShowApp);
        connect(item, &StatusItemController::newTabRequested, self, &AppDelegate::statusItemNewTab);
        connect(item, &StatusItemController::newWindowRequested, self, &AppDelegate::statusItemNewWindow);
        connect(item, &StatusItemController::settingsRequested, self, &AppDelegate::statusItemShowSettings);
        self->m_statusItem = item;
    };
    hooks.startServiceProvider = [self] {
        auto* provider = new VelmoraServiceProvider(self);
        connect(provider, &VelmoraServiceProvider::openWindowRequested, self, &AppDelegate::openWindow);
        connect(provider, &VelmoraServiceProvider::openTabRequested, self, &AppDelegate::openTab);
        connect(provider, &VelmoraServiceProvider::reopenRequested, self, &AppDelegate::reopen);
        provider->onPreviewSkin
            = [self](const QString& folder) { return self ? self->previewSkin(folder) : QString(); };
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
        self->openNewWindow(skin, state);
    };
    hooks.showWelcome = [self] { self->showWelcomeThenPicker(); };
    hooks.afterFirstWindows = [self] {
        if (self->m_startupRequest && self->m_serviceProvider)
            self->m_serviceProvider->perform(*self->m_startupRequest);
        self->m_startupRequest.reset();
    };
    return hooks;
}

std::vector<SkinManifest> AppDelegate::skinList() { return SkinLookup::skinList(SkinLoader::shared()); }

SkinManifest AppDelegate::defaultSkin()
{
    return SkinLookup::skinNamedOrHandheld(SettingsStore::shared().data().defaultSkin, skinList());
}

std::optional<SkinManifest> AppDelegate::nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins)
{
    return SkinLookup::nextSkin(current, skins);
}

// ---- device windows ----------------------------------------------------------------

void AppDelegate::openNewWindow(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                                const std::optional<QString>& initialDirectory)
{
    m_windows->open(skin, restoringState, initialDirectory);
}

void AppDelegate::windowOpened(DeviceWindowController* controller)
{
    connect(controller, &DeviceWindowController::skinPickerRequested, this, [this, target = QPointer(controller)] {
        showChangeSkinPicker(target);
    });
    connect(controller, &DeviceWindowController::skinBuilderRequested, this, &AppDelegate::showSkinBuilder);
    connect(controller, &DeviceWindowController::settingsRequested, this, &AppDelegate::showSettings);
    if (m_mainMenu) {
        controller->setApplicationMenu(m_mainMenu->menu());
        if (QWidget* window = controller->window())
            m_mainMenu->installOn(window, MainMenu::Scope::deviceWindow);
    }
}

void AppDelegate::setInstanceClaim(std::optional<InstanceClaim> claim)
{
    m_instanceClaim = std::move(claim);
    m_instanceClaimHandedOver = true;
}

void AppDelegate::quit() { QCoreApplication::quit(); }

void AppDelegate::reopen()
{
    m_windows->bringBackHidden();
    QList<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && type != Qt::Popup && type != Qt::ToolTip)
            shown.append(window);
    }
    if (shown.isEmpty()) {
        showSkinPicker();
        return;
    }
    DeviceWindowController* front = frontmostDeviceController();
    QWidget* key = front && front->window() && front->window()->isVisible() ? front->window() : shown.front();
    for (QWidget* window : std::as_const(shown)) {
        if (window != key) {
            if (window->isMinimized())
                window->showNormal();
            window->raise();
        }
    }
    WindowRegistry::presentWindow(key);
}

QString AppDelegate::previewSkin(const QString& skinFolder)
{
    const std::optional<SkinManifest> skin = SkinLoader::shared().loadSingle(skinFolder);
    if (!skin)
        return QStringLiteral("No skin could be read in %1.").arg(skinFolder);
    openNewWindow(*skin);
    return {};
}

void AppDelegate::openWindow(const QString& directory) { openNewWindow(defaultSkin(), std::nullopt, directory); }

void AppDelegate::openTab(const QString& directory)
{
    DeviceWindowController* controller = frontmostDeviceController();
    if (!controller || !controller->window()) {
        openWindow(directory);
        return;
    }
    WindowRegistry::presentWindow(controller->window());
    controller->terminalPanel().addSession(directory);
}

void AppDelegate::useSkinInActiveWindow(const SkinManifest& skin)
{
    DeviceWindowController* controller = activeController();
    if (!controller)
        controller = frontmostDeviceController();
    if (!controller) {
        openNewWindow(skin);
        return;
    }
    controller->changeSkin(skin);
    if (QWidget* window = controller->window()) {
        window->show();
        window->raise();
    }
}

// ---- the application's windows -------------------------------------------------------

void AppDelegate::setupMenu()
{
    if (m_mainMenu)
        return;
    m_mainMenu = std::make_unique<MainMenu>(*this);
    for (DeviceWindowController* controller : windowControllers()) {
        controller->setApplicationMenu(m_mainMenu->menu());
        if (QWidget* window = controller->window())
            m_mainMenu->installOn(window, MainMenu::Scope::deviceWindow);
    }
}

void AppDelegate::installApplicationShortcuts(QWidget* window)
{
    if (m_mainMenu && window && window->actions().isEmpty())
        m_mainMenu->installOn(window, MainMenu::Scope::application);
}

std::unique_ptr<SkinPickerWindowController> AppDelegate::makeSkinPicker(const std::optional<QString>& currentSkinId)
{
    auto picker = std::make_unique<SkinPickerWindowController>(SkinLoader::shared(), currentSkinId);
    const QPointer<AppDelegate> self(this);
    picker->onEditSkin = [self](const QString& folder) {
        if (self)
            self->openSkinBuilder(folder);
    };
    picker->onImportImage = [self](const QString& picture) {
        if (self)
            self->openSkinBuilderWithImage(picture);
    };
    installApplicationShortcuts(picker->window());
    return picker;
}

void AppDelegate::showSkinPicker()
{
    // A fresh picker each time, marking the active window's skin.
    retire(m_skinPickerController);
    DeviceWindowController* active = activeController();
    std::unique_ptr<SkinPickerWindowController> picker
        = makeSkinPicker(active ? std::optional(active->skin().id) : std::nullopt);
    const QPointer<AppDelegate> self(this);
    picker->onSkinSelected = [self](const SkinManifest& skin) {
        if (self)
            self->openNewWindow(skin);
    };
    picker->showWindow();
    m_skinPickerController = std::move(picker);
}

void AppDelegate::showChangeSkinPicker(DeviceWindowController* controller)
{
    if (!controller)
        return;
    std::unique_ptr<SkinPickerWindowController>& picker = m_changeSkinPickers[controller];
    retire(picker);
    picker = makeSkinPicker(controller->skin().id);
    picker->onSkinSelected = [target = QPointer(controller)](const SkinManifest& skin) {
        if (target)
            target->changeSkin(skin);
    };
    picker->showWindow();
}

SkinPickerWindowController* AppDelegate::changeSkinPicker(DeviceWindowController* controller) const
{
    const auto found = m_changeSkinPickers.find(controller);
    return found != m_changeSkinPickers.end() ? found->second.get() : nullptr;
}

void AppDelegate::windowClosed(DeviceWindowController* controller)
{
    if (const auto found = m_changeSkinPickers.find(controller); found != m_changeSkinPickers.end()) {
        retire(found->second);
        m_changeSkinPickers.erase(found);
    }
}

void AppDelegate::showSettings()
{
    SettingsWindowController::Services services;
    if (m_mainMenu)
        services.keyActions = m_mainMenu->menu()->actions();
    // Alt+Space is listed only where this program holds it.
    if (GlobalHotkey::shared().isRegistered())
        services.otherKeys = {{QStringLiteral("Show or Hide Velmora"), QStringLiteral("Alt+Space")}};
    const QPointer<AppDelegate> self(this);
    services.useSkin = [self](const SkinManifest& skin) {
        if (self)
            self->useSkinInActiveWindow(skin);
    };
    services.deviceSkin = [self]() -> std::optional<QString> {
        if (!self)
            return std::nullopt;
        DeviceWindowController* controller = self->activeController();
        if (!controller && !self->windowControllers().empty())
            controller = self->windowControllers().front();
        return controller ? std::optional(controller->skin().name) : std::nullopt;
    };
    installApplicationShortcuts(SettingsWindowController::showShared(services));
}

void AppDelegate::showAboutWindow()
{
    AboutWindowController& about = AboutWindowController::shared();
    installApplicationShortcuts(about.window());
    about.showWindow();
}

void AppDelegate::showSkinBuilder() { openSkinBuilder(std::nullopt); }

SkinBuilderWindowController& AppDelegate::skinBuilder()
{
    if (!m_skinBuilderController) {
        m_skinBuilderController = std::make_unique<SkinBuilderWindowController>(SkinLoader::shared());
        installApplicationShortcuts(m_skinBuilderController->window());
    }
    return *m_skinBuilderController;
}

void AppDelegate::openSkinBuilder(const std::optional<QString>& skinFolder)
{
    // The builder asks before an edit replaces its unsaved work.
    if (skinFolder)
        skinBuilder().openSkinForEditing(*skinFolder);
    else
        skinBuilder().showWindow();
}

void AppDelegate::openSkinBuilderWithImage(const QString& picture) { skinBuilder().openPicture(picture); }

void AppDelegate::revealSkinsFolder()
{
    const QString folder = AppPaths::skinsDir();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

PaletteAnchor AppDelegate::paletteAnchor(DeviceWindowController* controller)
{
    return DeviceWindowActions::paletteAnchor(controller, [] { return skinList(); });
}

void AppDelegate::openCommandPalette()
{
    if (!m_commandPalette) {
        CommandPaletteController::Commands commands;
        const QPointer<AppDelegate> self(this);
        commands.openSkinPicker = [self] {
            if (self)
                self->showSkinPicker();
        };
        commands.openSettings = [self] {
            if (self)
                self->showSettings();
        };
        commands.skins = [] { return SkinLoader::shared().skins(); };
        m_commandPalette = std::make_unique<CommandPaletteController>(std::move(commands));
    }
    DeviceWindowController* controller = activeController();
    m_commandPalette->open(controller ? std::optional(m_actions->paletteAnchor(controller)) : std::nullopt);
}

void AppDelegate::showWelcomeThenPicker()
{
    const QPointer<AppDelegate> self(this);
    m_welcomeController = std::make_unique<WelcomeWindowController>(
        [self] {
            if (self)
                self->showSkinPicker();
        },
        GlobalHotkey::shared().isRegistered());
    installApplicationShortcuts(m_welcomeController->window());
    m_welcomeController->showWindow();
}

// ---- actions on any window and the tray ---------------------------------------------------

void AppDelegate::closeWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->close();
}

void AppDelegate::minimizeWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->showMinimized();
}

void AppDelegate::statusItemNewTab()
{
    if (!m_actions->newSession())
        showSkinPicker();
}

} // namespace velmora
