#include "app/DeviceWindowActions.h"

#include "app/SkinLookup.h"
#include "app/WindowRegistry.h"
#include "core/SettingsStore.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "device/DeviceWindowController.h"
#include "look/PresentWindow.h"
#include "skin/SkinLoader.h"

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

DeviceWindowActions::DeviceWindowActions(WindowRegistry& windows, SettingsStore& settings, SkinLoader& skins)
    : m_windows(windows), m_settings(settings), m_skins(skins)
{
}

std::vector<SkinManifest> DeviceWindowActions::skins() const { return SkinLookup::skinList(m_skins); }

SkinManifest DeviceWindowActions::defaultSkin() const
{
    return SkinLookup::skinNamedOrHandheld(m_settings.data().defaultSkin, skins());
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
        changeToNextSkin(*controller, skins());
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

void DeviceWindowActions::find(corvel::TerminalView::FindCommand command) const
{
    if (DeviceWindowController* controller = target())
        controller->performFindCommand(command);
}

void DeviceWindowActions::openWindow(const QString& directory) const
{
    m_windows.open(defaultSkin(), std::nullopt, directory);
}

void DeviceWindowActions::openTab(const QString& directory) const
{
    DeviceWindowController* controller = m_windows.frontmostController();
    if (!controller || !controller->window()) {
        openWindow(directory);
        return;
    }
    presentWindow(controller->window());
    controller->terminalPanel().addSession(directory);
}

void DeviceWindowActions::useSkin(const SkinManifest& skin) const
{
    DeviceWindowController* controller = target();
    if (!controller)
        controller = m_windows.frontmostController();
    if (!controller) {
        m_windows.open(skin);
        return;
    }
    controller->changeSkin(skin);
    if (QWidget* window = controller->window()) {
        window->show();
        window->raise();
    }
}

QString DeviceWindowActions::openPreview(const QString& skinFolder) const
{
    const std::optional<SkinManifest> skin = m_skins.loadSingle(skinFolder);
    if (!skin)
        return QStringLiteral("No skin could be read in %1.").arg(skinFolder);
    m_windows.open(*skin);
    return {};
}

PaletteAnchor DeviceWindowActions::paletteAnchor(DeviceWindowController* controller) const
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
    anchor.cycleSkin = [target, &loader = m_skins] {
        if (target)
            changeToNextSkin(*target, SkinLookup::skinList(loader));
    };
    return anchor;
}

} // namespace velmora
