#pragma once

#include "app/DeviceWindowActions.h"
#include "app/FolderRequest.h"
#include "app/InstanceClaim.h"
#include "app/LaunchSequence.h"
#include "app/WindowRegistry.h"
#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
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

// The application: it owns every window controller and hands its work to
// parts with one job each: the start-up (LaunchSequence), the list of device
// windows with their saved frames (WindowRegistry) and what the menus, the
// tray and the palette do to the active device window (DeviceWindowActions).
// Itself it opens the application's other windows (the skin pickers, the
// settings, About, skin builder, command palette and welcome windows) and
// answers the tray. One delegate per process; other areas reach it through
// instance(). Main thread only.
//
// Quitting (any quit: the menu, the tray, a signal) first saves the open
// windows while they are all still open, then ends every session; windows
// that close because of the quit leave the saved list alone.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // How long window moves and resizes must pause before the frames are saved.
    static constexpr int snapshotDelayMs = WindowRegistry::snapshotDelayMs;

    using LaunchStep = LaunchSequence::Step;

    // The delegate of this process, or none.
    static AppDelegate* instance();

    // arguments: the command line, the program first (for "--preview-skin").
    explicit AppDelegate(QStringList arguments = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // ---- start-up ------------------------------------------------------------------
    // The start-up steps, in order (see LaunchSequence). Replace or add steps
    // before launching.
    std::vector<LaunchStep>& launchSteps() { return m_launch->steps(); }
    LaunchStep* launchStep(const QString& name) { return m_launch->step(name); }
    void applicationDidFinishLaunching() { m_launch->run(); }
    // Opens the first windows: the preview skin, else the saved windows, else
    // the default skin, else (first launch) the welcome window.
    void continueLaunch() { m_launch->continueLaunch(); }
    // The skin in the folder after the first "--preview-skin", or none.
    std::optional<SkinManifest> parsePreviewSkinArg() const { return m_launch->parsePreviewSkinArg(); }
    // A folder request of this command line, carried out after the first
    // windows opened.
    void setStartupRequest(const std::optional<FolderRequest>& request) { m_startupRequest = request; }
    // The socket this process claimed before it started: it answers later
    // instances there (none: it answers none). Without this the start-up
    // claims the socket itself.
    void setInstanceClaim(std::optional<InstanceClaim> claim);

    // The loader's skins, or the built-in handheld and walkie while it has none.
    static std::vector<SkinManifest> skinList();
    // The skin named by the settings' default skin, else the built-in handheld.
    static SkinManifest defaultSkin();

    // ---- device windows ----------------------------------------------------------
    WindowRegistry& windows() { return *m_windows; }
    // The open device windows in opening order.
    const std::vector<DeviceWindowController*>& windowControllers() const { return m_windows->controllers(); }
    void openNewWindow(const SkinManifest& skin, const std::optional<WindowState>& restoringState = std::nullopt,
                       const std::optional<QString>& initialDirectory = std::nullopt);
    // The device window that is the active window, or none.
    DeviceWindowController* activeController() const { return m_windows->activeController(); }
    // The most recently active device window still shown, else the first one.
    DeviceWindowController* frontmostDeviceController() const { return m_windows->frontmostController(); }
    // The hot key and the tray's "Show Velmora": hides the application when
    // one of its windows is active, else brings it back.
    void toggleFrontmostWindow() { m_windows->toggleFrontmostWindow(); }
    // Saves every window frame 0.5 s from now; each call starts the wait again.
    void snapshotWindowState() { m_windows->snapshotSoon(); }
    // Saves every window frame now (a window in mini mode saves its device
    // frame) and cancels a pending save.
    void snapshotWindowStateImmediately() { m_windows->snapshotNow(); }
    bool isSnapshotPending() const { return m_windows->isSnapshotPending(); }
    // Termination: saves the windows, then ends every session of every window
    // not yet torn down. Runs once; later calls do nothing.
    void applicationWillTerminate() { m_windows->terminate(); }
    bool isTerminating() const { return m_windows->isTerminating(); }
    // Quits the application the standard way (the windows are saved first).
    void quit();

    // A plain launch of a later instance: with no window shown, the skin
    // picker; else the windows come forward (those the hot key hid too).
    void reopen();
    // A later instance's "--preview-skin": a window with the skin in the
    // folder. Returns the error text, empty on success.
    QString previewSkin(const QString& skinFolder);
    // The desktop's folder actions and the settings window's skins tab.
    void openWindow(const QString& directory);
    void openTab(const QString& directory);
    void useSkinInActiveWindow(const SkinManifest& skin);

    // ---- the application's windows ------------------------------------------------
    void setupMenu();
    MainMenu* mainMenu() const { return m_mainMenu.get(); }
    void showSkinPicker();
    // The picker of one device window's "Change Skin...", its own: it marks
    // that window's skin, the skin picked replaces it, and the "New
    // Window..." picker stays as it is.
    void showChangeSkinPicker(DeviceWindowController* controller);
    SkinPickerWindowController* changeSkinPicker(DeviceWindowController* controller) const;
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
    void deviceBigger() { m_actions->deviceBigger(); }
    void deviceSmaller() { m_actions->deviceSmaller(); }
    void fontBigger() { m_actions->fontBigger(); }
    void fontSmaller() { m_actions->fontSmaller(); }
    void toggleMiniMode() { m_actions->toggleMiniMode(); }
    void newSession() { m_actions->newSession(); }
    void closeSession() { m_actions->closeSession(); }
    void cycleSessionNext() { m_actions->cycleSessionNext(); }
    // Erases the active session's screen and homes its cursor inside the
    // terminal only (ESC [ 2 J, ESC [ H); the shell is not told.
    void clearActiveTerminal() { m_actions->clearActiveTerminal(); }
    // The next skin of the skin list in the active window, wrapping around.
    void cycleSkin() { m_actions->cycleSkin(); }
    void copy() { m_actions->copy(); }
    void paste() { m_actions->paste(); }
    void selectAll() { m_actions->selectAll(); }
    // The active window of the application, whichever it is.
    void closeWindow();
    void minimizeWindow();

    // ---- the tray's entries --------------------------------------------------------
    void statusItemShowApp() { toggleFrontmostWindow(); }
    void statusItemNewTab();
    void statusItemNewWindow() { showSkinPicker(); }
    void statusItemShowSettings() { showSettings(); }

    // The skin a window cycles to: the one after the window's skin (found by
    // id, else by name, else taken to be the first), wrapping around; none
    // with fewer than two skins.
    static std::optional<SkinManifest> nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins);
    // What the command palette acts on for a device window.
    static PaletteAnchor paletteAnchor(DeviceWindowController* controller);
    // The saved state of a device window: its skin and its frame (the device
    // frame while in mini mode).
    static WindowState windowState(DeviceWindowController& controller)
    {
        return WindowRegistry::windowState(controller);
    }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After each start-up step.
    void launchStepFinished(const QString& name);
    // After the window frames were written to the settings.
    void windowStatesSaved();

private:
    LaunchSequence::Hooks launchHooks();
    void windowOpened(DeviceWindowController* controller);
    void windowClosed(DeviceWindowController* controller);
    void installApplicationShortcuts(QWidget* window);
    std::unique_ptr<SkinPickerWindowController> makeSkinPicker(const std::optional<QString>& currentSkinId);

    std::optional<FolderRequest> m_startupRequest;
    std::optional<InstanceClaim> m_instanceClaim;
    bool m_instanceClaimHandedOver = false;

    std::unique_ptr<WindowRegistry> m_windows;
    std::unique_ptr<DeviceWindowActions> m_actions;
    std::unique_ptr<LaunchSequence> m_launch;
    std::unique_ptr<SkinBuilderWindowController> m_skinBuilderController;
    std::unique_ptr<SkinPickerWindowController> m_skinPickerController;
    std::map<DeviceWindowController*, std::unique_ptr<SkinPickerWindowController>> m_changeSkinPickers;
    std::unique_ptr<CommandPaletteController> m_commandPalette;
    StatusItemController* m_statusItem = nullptr;
    VelmoraServiceProvider* m_serviceProvider = nullptr;
    std::unique_ptr<WelcomeWindowController> m_welcomeController;
    std::unique_ptr<MainMenu> m_mainMenu;
};

} // namespace velmora
