#include "app/DeviceWindowActions.h"

#include "app/SkinLookup.h"
#include "app/WindowRegistry.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "device/DeviceWindowController.h"

#include <QPointer>

namespace velmora {
namespace {

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

void changeToNextSkin(DeviceWindowController& controller, const std::vector<SkinManifest>& skins)
{
    if (const std::optional<SkinManifest> next = SkinLookup::nextSkin(controller.skin(), skins))
        controller.changeSkin(*next);
}

} // namespace

DeviceWindowActions::DeviceWindowActions(const WindowRegistry& windows,
                                         std::function<std::vector<SkinManifest>()> skins)
    : m_windows(windows), m_skins(std::move(skins))
{
}

DeviceWindowController* DeviceWindowActions::target() const { return m_windows.activeController(); }

void DeviceWindowActions::deviceBigger() const
{
    if (DeviceWindowController* controller = target(); controller && controller->isDeviceMode())
        controller->scaleDevice(DeviceWindowController::scaleStep);
}

void DeviceWindowActions::deviceSmaller() const
{
    if (DeviceWindowController* controller = target(); controller && controller->isDeviceMode())
        controller->scaleDevice(1 / DeviceWindowController::scaleStep);
}

void DeviceWindowActions::fontBigger() const
{
    if (ShellView* session = activeSession(target()))
        session->changeFontSize(1);
}

void DeviceWindowActions::fontSmaller() const
{
    if (ShellView* session = activeSession(target()))
        session->changeFontSize(-1);
}

void DeviceWindowActions::toggleMiniMode() const
{
    if (DeviceWindowController* controller = target())
        controller->toggleMiniMode();
}

bool DeviceWindowActions::newSession() const
{
    DeviceWindowController* controller = target();
    if (!controller)
        return false;
    controller->terminalPanel().addSession(std::nullopt);
    return true;
}

void DeviceWindowActions::closeSession() const
{
    if (DeviceWindowController* controller = target()) {
        SessionManager& manager = controller->terminalPanel().manager();
        manager.closeSession(manager.activeIndex());
    }
}

void DeviceWindowActions::cycleSessionNext() const
{
    if (DeviceWindowController* controller = target())
        controller->terminalPanel().manager().cycle(true);
}

void DeviceWindowActions::clearActiveTerminal() const
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(target()))
        terminal->feed(clearScreenAndHome);
}

void DeviceWindowActions::cycleSkin() const
{
    if (DeviceWindowController* controller = target())
        changeToNextSkin(*controller, m_skins());
}

void DeviceWindowActions::copy() const
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(target()))
        terminal->copy();
}

void DeviceWindowActions::paste() const
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(target()))
        terminal->paste();
}

void DeviceWindowActions::selectAll() const
{
    if (corvel::LocalProcessTerminalView* terminal = activeTerminal(target()))
        terminal->selectAll();
}

PaletteAnchor DeviceWindowActions::paletteAnchor(DeviceWindowController* controller) const
{
    return paletteAnchor(controller, m_skins);
}

PaletteAnchor DeviceWindowActions::paletteAnchor(DeviceWindowController* controller,
                                                 std::function<std::vector<SkinManifest>()> skins)
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
    anchor.cycleSkin = [target, skins = std::move(skins)] {
        if (target)
            changeToNextSkin(*target, skins());
    };
    return anchor;
}

} // namespace velmora
