#pragma once

#include "app/FolderRequest.h"
#include "app/InstanceClaim.h"
#include "app/LaunchSequence.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace velmora {

class AppWindows;
class DeviceWindowActions;
class DeviceWindowController;
class MainMenu;
class VelmoraServiceProvider;
class WindowRegistry;

// The application's composition root: it builds the parts, wires them to each
// other and to the desktop, and holds them. The parts do the work: the
// start-up (LaunchSequence), the device windows with their saved frames
// (WindowRegistry), what is asked of the device windows (DeviceWindowActions),
// the application's other windows (AppWindows) and the menus, whose table
// binds each action to one of these (MainMenu). Main thread only.
//
// Quitting (any quit: the menu, the tray, a signal) first saves the open
// windows while they are all still open, then ends every session; windows
// that close because of the quit leave the saved list alone.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // arguments: the command line, the program first (for "--preview-skin").
    explicit AppDelegate(QStringList arguments = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // A folder request of this command line, carried out after the first
    // windows opened.
    void setStartupRequest(const std::optional<FolderRequest>& request) { m_startupRequest = request; }
    // The socket this process claimed before it started: it answers later
    // instances there (none: it answers none). Without this the start-up
    // claims the socket itself.
    void setInstanceClaim(std::optional<InstanceClaim> claim);

    // Makes the menus and gives every device window their keys; the start-up
    // does this in its own step. Once only.
    void setupMenu();

    // The parts.
    LaunchSequence& launch() { return *m_launch; }
    WindowRegistry& windows() { return *m_windows; }
    DeviceWindowActions& deviceWindows() { return *m_actions; }
    AppWindows& appWindows() { return *m_appWindows; }
    // None before setupMenu().
    MainMenu* mainMenu() const { return m_mainMenu.get(); }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LaunchSequence::Hooks launchHooks();
    void windowOpened(DeviceWindowController* controller);

    std::optional<FolderRequest> m_startupRequest;
    std::optional<InstanceClaim> m_instanceClaim;
    bool m_instanceClaimHandedOver = false;
    VelmoraServiceProvider* m_serviceProvider = nullptr;

    std::unique_ptr<WindowRegistry> m_windows;
    std::unique_ptr<DeviceWindowActions> m_actions;
    std::unique_ptr<AppWindows> m_appWindows;
    std::unique_ptr<LaunchSequence> m_launch;
    std::unique_ptr<MainMenu> m_mainMenu;
};

} // namespace velmora
