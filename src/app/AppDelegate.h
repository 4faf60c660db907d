#pragma once

#include "app/FolderRequest.h"
#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace velmora {

class CommandPaletteController;
class DeviceWindowController;
class MainMenu;
class SkinBuilderWindowController;
class SkinPickerWindowController;
class StatusItemController;
class VelmoraServiceProvider;
class WelcomeWindowController;
struct PaletteAnchor;

// The application: it starts in a fixed order, opens the first device windows,
// keeps the list of open device windows and saves their frames, carries out
// the menu actions on the active device window, opens the application's other
// windows, and ends every shell when it quits. It owns every window controller.
// One delegate per process; other areas reach it through instance(). Main
// thread only.
//
// Start-up (applicationDidFinishLaunching()) runs the steps of launchSteps(),
// each once, in order; nothing in them stops the sequence:
//   1 migrateLegacyAppSupport   the support folders of earlier releases
//   2 installCrashHandlers      crash reports for fatal signals and exceptions
//   3 registerBundledFonts      the resource folder's fonts
//   4 loadSkins                 scan the skin folders, then watch the user's
//   5 repairDirtyStart          stale temporary file, saved windows, palette
//                               overrides, default skin (needs the skins)
//   6 removeStatuslineShim      the old status-line shim in ~/.claude
//   7 setupMenu                 the application's menus and keys
//   8 registerHotkey            Alt+Space shows or hides the application
//   9 showStatusItem            the tray item
//  10 requestNotificationAuthorization  nothing to ask on Linux
//  11 startServiceProvider      folder requests from later instances
//  12 continueLaunch            the first windows, then a folder request from
//                               this command line
//  13 flushPendingCrashReports  upload earlier crash reports in the background
//
// Quitting (any quit: the menu, the tray, a signal) first saves the open
// windows while they are all still open, then ends every session; windows
// that close because of the quit leave the saved list alone.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // How long window moves and resizes must pause before the frames are saved.
    static constexpr int snapshotDelayMs = 500;

    struct LaunchStep {
        QString name;
        std::function<void()> run;
    };

    // The delegate of this process, or none.
    static AppDelegate* instance();

    // arguments: the command line, the program first (for "--preview-skin").
    explicit AppDelegate(QStringList arguments = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // ---- start-up ------------------------------------------------------------------
    // The start-up steps, in order. Replace or add steps before launching.
    std::vector<LaunchStep>& launchSteps() { return m_launchSteps; }
    LaunchStep* launchStep(const QString& name);
    void applicationDidFinishLaunching();
    // Opens the first windows: the preview skin, else the saved windows, else
    // the default skin, else (first launch) the welcome window.
    void continueLaunch();
    // The skin in the folder after the first "--preview-skin", or none.
    std::optional<SkinManifest> parsePreviewSkinArg() const;
    // A folder request of this command line, carried out after the first
    // windows opened.
    void setStartupRequest(const std::optional<FolderRequest>& request) { m_startupRequest = request; }

    // The loader's skins, or the built-in handheld and walkie while it has none.
    static std::vector<SkinManifest> skinList();
    // The skin named by the settings' default skin, else the built-in handheld.
    static SkinManifest defaultSkin();

    // ---- device windows ----------------------------------------------------------
    // The open device windows in opening order.
    const std::vector<DeviceWindowController*>& windowControllers() const { return m_windowControllers; }
    void openNewWindow(const SkinManifest& skin, const std::optional<WindowState>& restoringState = std::nullopt,
                       const std::optional<QString>& initialDirectory = std::nullopt);
    // The device window that is the active window, or none.
    DeviceWindowController* activeController() const;
    // The most recently active device window still shown, else the first one.
    DeviceWindowController* frontmostDeviceController() const;
    // The hot key and the tray's "Show Velmora": hides the application when
    // one of its windows is active, else brings it back.
    void toggleFrontmostWindow();
    // Saves every window frame 0.5 s from now; each call starts the wait again.
    void snapshotWindowState();
    // Saves every window frame now (a window in mini mode saves its device
    // frame) and cancels a pending save.
    void snapshotWindowStateImmediately();
    bool isSnapshotPending() const { return m_pendingSnapshot.isActive(); }
    // Termination: saves the windows, then ends every session of every window
    // not yet torn down. Runs once; later calls do nothing.
    void applicationWillTerminate();
    bool isTerminating() const { return m_terminating; }
    // Quits the application the standard way (the windows are saved first).
    void quit();

    // The desktop's folder actions and the settings window's skins tab.
    void openWindow(const QString& directory);
    void openTab(const QString& directory);
    void useSkinInActiveWindow(const SkinManifest& skin);

    // ---- the application's windows ------------------------------------------------
    void setupMenu();
    MainMenu* mainMenu() const { return m_mainMenu.get(); }
    void showSkinPicker();
    // The picker for one device window's "Change Skin...": the skin picked
    // replaces that window's skin.
    void showChangeSkinPicker(DeviceWindowController* controller);
    void showSettings();
    void showAboutWindow();
    void showSkinBuilder();
    void openSkinBuilder(const std::optional<QString>& skinFolder);
    void openSkinBuilderWithImage(const QString& picture);
    void revealSkinsFolder();
    void openCommandPalette();
    void showWelcomeThenPicker();
    // The skin builder window, made on first use.
    SkinBuilderWindowController& skinBuilder();
    // The "Choose a Skin" window last opened by showSkinPicker(), or none.
    SkinPickerWindowController* skinPicker() const { return m_skinPickerController.get(); }
    CommandPaletteController* commandPalette() const { return m_commandPalette.get(); }
    WelcomeWindowController* welcomeController() const { return m_welcomeController.get(); }
    StatusItemController* statusItem() const { return m_statusItem; }
    VelmoraServiceProvider* serviceProvider() const { return m_serviceProvider; }

    // ---- actions on the active device window (nothing without one) ------------------
    void deviceBigger();
    void deviceSmaller();
    void fontBigger();
    void fontSmaller();
    void toggleMiniMode();
    void newSession();
    void closeSession();
    void cycleSessionNext();
    // Erases the active session's screen and homes its cursor inside the
    // terminal only (ESC [ 2 J, ESC [ H); the shell is not told.
    void clearActiveTerminal();
    // The next skin of the skin list in the active window, wrapping around.
    void cycleSkin();
    void copy();
    void paste();
    void selectAll();
    // The active window of the application, whichever it is.
    void closeWindow();
    void minimizeWindow();

    // ---- the tray's entries --------------------------------------------------------
    void statusItemShowApp();
    void statusItemNewTab();
    void statusItemNewWindow();
    void statusItemShowSettings();

    // The skin a window cycles to: the one after the window's skin (found by
    // id, else by name, else taken to be the first), wrapping around; none
    // with fewer than two skins.
    static std::optional<SkinManifest> nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins);
    // What the command palette acts on for a device window.
    static PaletteAnchor paletteAnchor(DeviceWindowController* controller);
    // The saved state of a device window: its skin and its frame (the device
    // frame while in mini mode).
    static WindowState windowState(DeviceWindowController& controller);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After each start-up step.
    void launchStepFinished(const QString& name);
    // After the window frames were written to the settings.
    void windowStatesSaved();

private:
    void buildLaunchSteps();
    void observeWindow(DeviceWindowController* controller);
    void windowWillClose(QWidget* window);
    void rememberActivation(QWidget* window);
    void presentWindow(QWidget* window);
    void installApplicationShortcuts(QWidget* window);

    QStringList m_arguments;
    std::vector<LaunchStep> m_launchSteps;
    std::optional<FolderRequest> m_startupRequest;

    std::vector<DeviceWindowController*> m_windowControllers;
    std::unique_ptr<SkinBuilderWindowController> m_skinBuilderController;
    std::unique_ptr<SkinPickerWindowController> m_skinPickerController;
    std::unique_ptr<CommandPaletteController> m_commandPalette;
    StatusItemController* m_statusItem = nullptr;
    VelmoraServiceProvider* m_serviceProvider = nullptr;
    QTimer m_pendingSnapshot;
    // The windows observed for moves, resizes, activation and closing.
    QHash<QWidget*, QMetaObject::Connection> m_windowObservers;
    std::unique_ptr<WelcomeWindowController> m_welcomeController;
    std::unique_ptr<MainMenu> m_mainMenu;

    // Device windows, most recently active first.
    QList<QPointer<QWidget>> m_activationOrder;
    // Windows hidden by toggleFrontmostWindow(), with the one that was active.
    QList<QPointer<QWidget>> m_hiddenWindows;
    QPointer<QWidget> m_hiddenActiveWindow;
    bool m_terminating = false;
};

} // namespace velmora
