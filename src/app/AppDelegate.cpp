#include "app/AppDelegate.h"

#include "app/ClaudeStatuslineCleanup.h"
#include "app/CommandPaletteController.h"
#include "app/DirtyStartSweep.h"
#include "app/FontRegistrar.h"
#include "app/GlobalHotkey.h"
#include "app/MainMenu.h"
#include "app/NotificationCenter.h"
#include "app/StatusItemController.h"
#include "app/VelmoraServiceProvider.h"
#include "app/WelcomeWindowController.h"
#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "device/DeviceWindowController.h"
#include "diagnostics/CrashReporter.h"
#include "settings/AboutWindowController.h"
#include "settings/SettingsWindowController.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderWindowController.h"
#include "skinpicker/SkinPickerWindowController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>
#include <QtDebug>

#include <algorithm>

namespace velmora {
namespace {

AppDelegate* g_instance = nullptr;

// Clears the screen and homes the cursor: erase in display (all), cursor
// position (home).
constexpr std::string_view clearScreenAndHome = "\x1b[2J\x1b[H";

ShellView* activeSession(DeviceWindowController* controller)
{
    return controller ? controller->terminalPanel().manager().active() : nullptr;
}

corvel::LocalProcessTerminalView* activeTerminal(DeviceWindowController* controller)
{
    ShellView* session = activeSession(controller);
    return session ? session->terminal() : nullptr;
}

} // namespace

AppDelegate* AppDelegate::instance() { return g_instance; }

AppDelegate::AppDelegate(QStringList arguments, QObject* parent) : QObject(parent), m_arguments(std::move(arguments))
{
    g_instance = this;
    m_pendingSnapshot.setSingleShot(true);
    m_pendingSnapshot.setTimerType(Qt::PreciseTimer);
    m_pendingSnapshot.setInterval(snapshotDelayMs);
    connect(&m_pendingSnapshot, &QTimer::timeout, this, &AppDelegate::snapshotWindowStateImmediately);
    // Closing the last device window leaves the application running, reachable
    // from the tray and the hot key.
    QApplication::setQuitOnLastWindowClosed(false);
    // A quit closes every window before the event loop ends: the windows are
    // saved on the way in (eventFilter), and ended sessions on the way out.
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    buildLaunchSteps();
}

AppDelegate::~AppDelegate()
{
    qApp->removeEventFilter(this);
    for (auto it = m_windowObservers.begin(); it != m_windowObservers.end(); ++it)
        disconnect(it.value());
    m_windowObservers.clear();
    for (DeviceWindowController* controller : m_windowControllers) {
        if (QWidget* window = controller->window())
            window->removeEventFilter(this);
        delete controller;
    }
    m_windowControllers.clear();
    if (g_instance == this)
        g_instance = nullptr;
}

// ---- start-up ----------------------------------------------------------------------

void AppDelegate::buildLaunchSteps()
{
    const QPointer<AppDelegate> self(this);
    m_launchSteps = {
        {QStringLiteral("migrateLegacyAppSupport"), [] { AppPaths::migrateLegacyAppSupportIfNeeded(); }},
        {QStringLiteral("installCrashHandlers"), [] { CrashReporter::installHandlers(); }},
        {QStringLiteral("registerBundledFonts"), [] { FontRegistrar::registerBundledFonts(); }},
        {QStringLiteral("loadSkins"),
         [] {
             SkinLoader::shared().loadAll();
             SkinLoader::shared().startWatching();
         }},
        {QStringLiteral("repairDirtyStart"),
         [] {
             DirtyStartSweep::cleanStaleTempFiles();
             DirtyStartSweep::repairWindowState();
             DirtyStartSweep::prunePaletteOverrides();
             DirtyStartSweep::repairDefaultSkin();
         }},
        {QStringLiteral("removeStatuslineShim"), [] { ClaudeStatuslineCleanup::uninstall(); }},
        {QStringLiteral("setupMenu"), [self] { self->setupMenu(); }},
        {QStringLiteral("registerHotkey"),
         [self] {
             GlobalHotkey::shared().registerHotkey(GlobalHotkey::spaceKeysym, GlobalHotkey::altModifier, [self] {
                 if (self)
                     self->toggleFrontmostWindow();
             });
         }},
        {QStringLiteral("showStatusItem"),
         [self] {
             auto* item = new StatusItemController(self);
             connect(item, &StatusItemController::showAppRequested, self, &AppDelegate::statusItemShowApp);
             connect(item, &StatusItemController::newTabRequested, self, &AppDelegate::statusItemNewTab);
             connect(item, &StatusItemController::newWindowRequested, self, &AppDelegate::statusItemNewWindow);
             connect(item, &StatusItemController::settingsRequested, self, &AppDelegate::statusItemShowSettings);
             self->m_statusItem = item;
         }},
        {QStringLiteral("requestNotificationAuthorization"),
         [] { NotificationCenter_::requestAuthorizationIfNeeded(); }},
        {QStringLiteral("startServiceProvider"),
         [self] {
             auto* provider = new VelmoraServiceProvider(self);
             connect(provider, &VelmoraServiceProvider::openWindowRequested, self, &AppDelegate::openWindow);
             connect(provider, &VelmoraServiceProvider::openTabRequested, self, &AppDelegate::openTab);
             if (!provider->listen())
                 qInfo().noquote() << QStringLiteral("[Velmora] Folder requests go to another running instance");
             self->m_serviceProvider = provider;
         }},
        {QStringLiteral("continueLaunch"),
         [self] {
             self->continueLaunch();
             if (self->m_startupRequest && self->m_serviceProvider)
                 self->m_serviceProvider->perform(*self->m_startupRequest);
             self->m_startupRequest.reset();
         }},
        {QStringLiteral("flushPendingCrashReports"), [] { CrashReporter::flushPending(); }},
    };
}

AppDelegate::LaunchStep* AppDelegate::launchStep(const QString& name)
{
    const auto found = std::find_if(
        m_launchSteps.begin(), m_launchSteps.end(), [&](const LaunchStep& step) { return step.name == name; });
    return found != m_launchSteps.end() ? &*found : nullptr;
}

void AppDelegate::applicationDidFinishLaunching()
{
    // The list is copied: a step may not change the steps still to run.
    const std::vector<LaunchStep> steps = m_launchSteps;
    for (const LaunchStep& step : steps) {
        if (step.run)
            step.run();
        emit launchStepFinished(step.name);
    }
}

std::vector<SkinManifest> AppDelegate::skinList() { return SkinManifest::orBuiltInPair(SkinLoader::shared().skins()); }

SkinManifest AppDelegate::defaultSkin()
{
    const QString name = SettingsStore::shared().data().defaultSkin;
    const std::vector<SkinManifest> skins = skinList();
    const auto found
        = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& skin) { return skin.name == name; });
    return found != skins.end() ? *found : SkinManifest::handheld();
}

std::optional<SkinManifest> AppDelegate::parsePreviewSkinArg() const
{
    const qsizetype option = m_arguments.indexOf(QStringLiteral("--preview-skin"), 1);
    if (option < 0 || option + 1 >= m_arguments.size())
        return std::nullopt;
    const QString argument = m_arguments.at(option + 1);
    qInfo().noquote() << QStringLiteral("[Velmora] Preview skin requested: ") + argument;
    std::optional<SkinManifest> skin = SkinLoader::shared().loadSingle(QFileInfo(argument).absoluteFilePath());
    if (!skin)
        qInfo().noquote() << QStringLiteral("[Velmora] Failed to load preview skin from ") + argument;
    return skin;
}

void AppDelegate::continueLaunch()
{
    if (const std::optional<SkinManifest> preview = parsePreviewSkinArg()) {
        openNewWindow(*preview);
        return;
    }
    SettingsData& settings = SettingsStore::shared().data();
    if (settings.restoreWindows && !settings.lastWindows.isEmpty()) {
        const std::vector<SkinManifest> skins = skinList();
        // The list is copied: opening windows may save the settings.
        const QList<WindowState> saved = settings.lastWindows;
        bool opened = false;
        for (const WindowState& state : saved) {
            auto found = skins.end();
            if (!state.id.isEmpty())
                found
                    = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.id == state.id; });
            if (found == skins.end())
                found = std::find_if(
                    skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.name == state.skinName; });
            if (found == skins.end())
                continue;
            openNewWindow(*found, state);
            opened = true;
        }
        if (opened)
            return;
    }
    if (settings.hasLaunchedBefore) {
        openNewWindow(defaultSkin());
        return;
    }
    settings.hasLaunchedBefore = true;
    SettingsStore::shared().save();
    showWelcomeThenPicker();
}

// ---- device windows ----------------------------------------------------------------

void AppDelegate::openNewWindow(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                                const std::optional<QString>& initialDirectory)
{
    auto* controller = new DeviceWindowController(skin, restoringState, initialDirectory, this);
    m_windowControllers.push_back(controller);
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
    controller->showWindow();
    if (controller->window()) {
        observeWindow(controller);
        rememberActivation(controller->window());
    }
}

void AppDelegate::observeWindow(DeviceWindowController* controller)
{
    DeviceWindow* window = controller->window();
    // Moves, resizes and activation arrive through eventFilter().
    window->installEventFilter(this);
    m_windowObservers.insert(
        window, connect(window, &DeviceWindow::willClose, this, [this, window] { windowWillClose(window); }));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Windows of the platform and other objects pass here too: only a
    // widget may be looked up among the device windows.
    QWidget* const widget = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    switch (event->type()) {
    case QEvent::Quit:
        // Before Qt closes the windows of a quitting application.
        if (watched == qApp)
            applicationWillTerminate();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (widget && !m_terminating && m_windowObservers.contains(widget))
            snapshotWindowState();
        break;
    case QEvent::WindowActivate:
        if (widget && m_windowObservers.contains(widget))
            rememberActivation(widget);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::windowWillClose(QWidget* window)
{
    // A quit has saved the windows already: they stay in the list and in the
    // settings, so that the next launch reopens them.
    if (m_terminating)
        return;
    std::vector<DeviceWindowController*> closing;
    std::erase_if(m_windowControllers, [&](DeviceWindowController* controller) {
        if (controller->window() != window)
            return false;
        closing.push_back(controller);
        return true;
    });
    snapshotWindowState();
    if (const auto observer = m_windowObservers.find(window); observer != m_windowObservers.end()) {
        disconnect(observer.value());
        m_windowObservers.erase(observer);
    }
    window->removeEventFilter(this);
    m_activationOrder.removeAll(window);
    // The close is still being delivered to the window the controller owns.
    for (DeviceWindowController* controller : closing)
        controller->deleteLater();
}

void AppDelegate::rememberActivation(QWidget* window)
{
    m_activationOrder.removeAll(window);
    m_activationOrder.prepend(window);
}

DeviceWindowController* AppDelegate::activeController() const
{
    QWidget* key = QApplication::activeWindow();
    if (!key)
        return nullptr;
    for (DeviceWindowController* controller : m_windowControllers) {
        if (controller->window() == key)
            return controller;
    }
    return nullptr;
}

DeviceWindowController* AppDelegate::frontmostDeviceController() const
{
    for (const QPointer<QWidget>& window : m_activationOrder) {
        if (!window || !window->isVisible())
            continue;
        for (DeviceWindowController* controller : m_windowControllers) {
            if (controller->window() == window)
                return controller;
        }
    }
    return m_windowControllers.empty() ? nullptr : m_windowControllers.front();
}

void AppDelegate::presentWindow(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::toggleFrontmostWindow()
{
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
        QWidget* key = QApplication::activeWindow();
        const bool firstVisible = !m_windowControllers.empty() && m_windowControllers.front()->window()
            && m_windowControllers.front()->window()->isVisible();
        if ((key && key->isVisible()) || (!key && firstVisible)) {
            // Hide the application: every window it shows, to come back together.
            m_hiddenActiveWindow = key;
            m_hiddenWindows.clear();
            for (QWidget* window : QApplication::topLevelWidgets()) {
                // Menus and tool tips close by themselves. (Qt::Popup shares
                // its bit with Qt::Window: the type is compared, not a mask.)
                const Qt::WindowType type = window->windowType();
                if (window->isVisible() && window->isWindow() && type != Qt::Popup && type != Qt::ToolTip) {
                    m_hiddenWindows.append(window);
                    window->hide();
                }
            }
            return;
        }
    }
    for (const QPointer<QWidget>& window : std::as_const(m_hiddenWindows)) {
        if (window)
            window->show();
    }
    m_hiddenWindows.clear();
    QWidget* key = m_hiddenActiveWindow ? m_hiddenActiveWindow.data() : QApplication::activeWindow();
    m_hiddenActiveWindow.clear();
    if (key) {
        presentWindow(key);
        return;
    }
    if (!m_windowControllers.empty()) {
        if (QWidget* first = m_windowControllers.front()->window())
            presentWindow(first);
        return;
    }
    showSkinPicker();
}

WindowState AppDelegate::windowState(DeviceWindowController& controller)
{
    const QRect frame
        = controller.isDeviceMode() ? controller.window()->geometry() : controller.deviceFrameBeforeMini();
    WindowState state;
    state.id = controller.skin().id;
    state.skinName = controller.skin().name;
    state.x = frame.x();
    state.y = frame.y();
    state.width = frame.width();
    state.height = frame.height();
    return state;
}

void AppDelegate::snapshotWindowState() { m_pendingSnapshot.start(); }

void AppDelegate::snapshotWindowStateImmediately()
{
    m_pendingSnapshot.stop();
    QList<WindowState> states;
    for (DeviceWindowController* controller : m_windowControllers) {
        if (controller->window())
            states.append(windowState(*controller));
    }
    SettingsStore& store = SettingsStore::shared();
    store.data().lastWindows = states;
    store.save();
    emit windowStatesSaved();
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminating)
        return;
    m_terminating = true;
    snapshotWindowStateImmediately();
    for (DeviceWindowController* controller : m_windowControllers) {
        if (controller->didTeardown())
            continue;
        controller->setDidTeardown(true);
        controller->terminalPanel().manager().terminateAll();
    }
}

void AppDelegate::quit() { QCoreApplication::quit(); }

void AppDelegate::openWindow(const QString& directory) { openNewWindow(defaultSkin(), std::nullopt, directory); }

void AppDelegate::openTab(const QString& directory)
{
    DeviceWindowController* controller = frontmostDeviceController();
    if (!controller || !controller->window()) {
        openWindow(directory);
        return;
    }
    presentWindow(controller->window());
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
    for (DeviceWindowController* controller : m_windowControllers) {
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

void AppDelegate::showSkinPicker()
{
    // A fresh picker each time, marking the active window's skin. The earlier
    // one goes once the event that asked for this one (perhaps its own key)
    // is done with it.
    if (m_skinPickerController) {
        m_skinPickerController->close();
        m_skinPickerController.release()->deleteLater();
    }
    DeviceWindowController* active = activeController();
    auto picker
        = std::make_unique<SkinPickerWindowController>(active ? std::optional(active->skin().id) : std::nullopt);
    const QPointer<AppDelegate> self(this);
    picker->onSkinSelected = [self](const SkinManifest& skin) {
        if (self)
            self->openNewWindow(skin);
    };
    picker->onEditSkin = [self](const QString& folder) {
        if (self)
            self->openSkinBuilder(folder);
    };
    picker->onImportImage = [self](const QString& picture) {
        if (self)
            self->openSkinBuilderWithImage(picture);
    };
    installApplicationShortcuts(picker->window());
    picker->showWindow();
    m_skinPickerController = std::move(picker);
}

void AppDelegate::showChangeSkinPicker(DeviceWindowController* controller)
{
    if (!controller)
        return;
    showSkinPicker();
    if (m_skinPickerController) {
        m_skinPickerController->onSkinSelected = [target = QPointer(controller)](const SkinManifest& skin) {
            if (target)
                target->changeSkin(skin);
        };
    }
}

void AppDelegate::showSettings()
{
    SettingsWindowController::Services services;
    if (m_mainMenu)
        services.keyActions = m_mainMenu->menu()->actions();
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
        if (!controller && !self->m_windowControllers.empty())
            controller = self->m_windowControllers.front();
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
        m_skinBuilderController = std::make_unique<SkinBuilderWindowController>();
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
    PaletteAnchor anchor;
    anchor.window = controller->window();
    anchor.sessionCount = controller->terminalPanel().manager().count();
    const QPointer<DeviceWindowController> target(controller);
    anchor.changeSkin = [target](const SkinManifest& skin) {
        if (target)
            target->changeSkin(skin);
    };
    anchor.switchSession = [target](int index) {
        if (target)
            target->terminalPanel().manager().switchTo(index);
    };
    anchor.newSession = [target] {
        if (target)
            target->terminalPanel().addSession(std::nullopt);
    };
    anchor.cycleSkin = [target] {
        if (!target)
            return;
        if (const std::optional<SkinManifest> next = nextSkin(target->skin(), skinList()))
            target->changeSkin(*next);
    };
    return anchor;
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
        m_commandPalette = std::make_unique<CommandPaletteController>(std::move(commands));
    }
    DeviceWindowController* controller = activeController();
    m_commandPalette->open(controller ? std::optional(paletteAnchor(controller)) : std::nullopt);
}

void AppDelegate::showWelcomeThenPicker()
{
    const QPointer<AppDelegate> self(this);
    m_welcomeController = std::make_unique<WelcomeWindowController>([self] {
        if (self)
            self->showSkinPicker();
    });
    installApplicationShortcuts(m_welcomeController->window());
    m_welcomeController->showWindow();
}

// ---- actions on the active device window -----------------------------------------------

void AppDelegate::deviceBigger()
{
    if (DeviceWindowController* controller = activeController(); controller && controller->isDeviceMode())
        controller->scaleDevice(DeviceWindowController::scaleStep);
}

void AppDelegate::deviceSmaller()
{
    if (DeviceWindowController* controller = activeController(); controller && controller->isDeviceMode())
        controller->scaleDevice(1 / DeviceWindowController::scaleStep);
}

void AppDelegate::toggleMiniMode()
{
    if (DeviceWindowController* controller = activeController())
        controller->toggleMiniMode();
}

void AppDelegate::fontBigger()
{
    if (ShellView* session = activeSession(activeController()))
        session->changeFontSize(1);
}

void AppDelegate::fontSmaller()
{
    if (ShellView* session = activeSession(activeController()))
        session->changeFontSize(-1);
}

void AppDelegate::newSession()
{
    if (DeviceWindowController* controller = activeController())
        controller->terminalPanel().addSession(std::nullopt);
}

void AppDelegate::closeSession()
{
    if (DeviceWindowController* controller = activeController()) {
        SessionManager& manager = controller->terminalPanel().manager();
        manager.closeSession(manager.activeIndex());
    }
}

void AppDelegate::cycleSessionNext()
{
    if (DeviceWindowController* controller = activeController())
        controller->terminalPanel().manager().cycle(true);
}

void AppDelegate::clearActiveTerminal()
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(activeController()))
        terminal->feed(clearScreenAndHome);
}

std::optional<SkinManifest> AppDelegate::nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins)
{
    if (skins.size() < 2)
        return std::nullopt;
    auto found = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.id == current.id; });
    if (found == skins.end())
        found = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.name == current.name; });
    const std::size_t position = found == skins.end() ? 0 : std::size_t(found - skins.begin());
    return skins[(position + 1) % skins.size()];
}

void AppDelegate::cycleSkin()
{
    DeviceWindowController* controller = activeController();
    if (!controller)
        return;
    if (const std::optional<SkinManifest> next = nextSkin(controller->skin(), skinList()))
        controller->changeSkin(*next);
}

void AppDelegate::copy()
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(activeController()))
        terminal->copy();
}

void AppDelegate::paste()
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(activeController()))
        terminal->paste();
}

void AppDelegate::selectAll()
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(activeController()))
        terminal->selectAll();
}

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

// ---- the tray's entries ------------------------------------------------------------------

void AppDelegate::statusItemShowApp() { toggleFrontmostWindow(); }

void AppDelegate::statusItemNewTab()
{
    if (DeviceWindowController* controller = activeController())
        controller->terminalPanel().addSession(std::nullopt);
    else
        showSkinPicker();
}

void AppDelegate::statusItemNewWindow() { showSkinPicker(); }

void AppDelegate::statusItemShowSettings() { showSettings(); }

} // namespace velmora
