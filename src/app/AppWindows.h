#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <optional>

class QWidget;

namespace velmora {

class CommandPaletteController;
class DeviceWindowActions;
class DeviceWindowController;
class MainMenu;
class SkinBuilderWindowController;
class SkinLoader;
class SkinPickerWindowController;
class WelcomeWindowController;
class WindowRegistry;

// The application's windows other than the device windows: the "New
// Window..." skin picker and each device window's "Change Skin..." picker, the
// settings, About, skin builder, command palette and welcome windows. It
// makes each when first asked (a picker afresh each time), shows it, and gives
// it the keys of the application's menus once they exist. Main thread.
class AppWindows final : public QObject {
    Q_OBJECT

public:
    AppWindows(SkinLoader& skins, WindowRegistry& windows, const DeviceWindowActions& actions,
               QObject* parent = nullptr);
    ~AppWindows() override;

    // The menus whose application keys every window made from now on takes.
    void setMainMenu(const MainMenu* menu) { m_mainMenu = menu; }

    // "New Window...": a fresh picker marking the active window's skin; its
    // pick opens a device window.
    void showSkinPicker();
    // The picker of one device window's "Change Skin...", its own: it marks
    // that window's skin, the skin picked replaces it, and the "New
    // Window..." picker stays as it is.
    void showChangeSkinPicker(DeviceWindowController* controller);
    // A device window closed: its picker goes.
    void forgetDeviceWindow(DeviceWindowController* controller);
    // The "Choose a Skin" window last opened by showSkinPicker(), or none.
    SkinPickerWindowController* skinPicker() const { return m_skinPicker.get(); }
    SkinPickerWindowController* changeSkinPicker(DeviceWindowController* controller) const;

    void showSettings();
    void showAbout();

    void showSkinBuilder();
    // The builder with the skin in the folder; it asks before an edit
    // replaces its unsaved work.
    void openSkinBuilder(const QString& skinFolder);
    void openSkinBuilderWithImage(const QString& picture);
    // The skin builder window, made on first use.
    SkinBuilderWindowController& skinBuilder();

    // The palette over the active device window (centred on the screen
    // without one).
    void openCommandPalette();
    CommandPaletteController* commandPalette() const { return m_commandPalette.get(); }

    // The first launch's welcome window; finishing it opens the skin picker.
    void showWelcomeThenPicker();
    WelcomeWindowController* welcome() const { return m_welcome.get(); }

    // The user's skins folder in the file manager, made when missing.
    static void revealSkinsFolder();

private:
    std::unique_ptr<SkinPickerWindowController> makeSkinPicker(const std::optional<QString>& currentSkinId);
    void installApplicationShortcuts(QWidget* window) const;

    SkinLoader& m_skins;
    WindowRegistry& m_windows;
    const DeviceWindowActions& m_actions;
    const MainMenu* m_mainMenu = nullptr;
    std::unique_ptr<SkinBuilderWindowController> m_skinBuilder;
    std::unique_ptr<SkinPickerWindowController> m_skinPicker;
    std::map<DeviceWindowController*, std::unique_ptr<SkinPickerWindowController>> m_changeSkinPickers;
    std::unique_ptr<CommandPaletteController> m_commandPalette;
    std::unique_ptr<WelcomeWindowController> m_welcome;
};

} // namespace velmora
