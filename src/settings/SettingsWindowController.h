#pragma once

#include "settings/KeysSettingsTab.h"
#include "skin/ActiveSkin.h"
#include "skin/SkinManifest.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QTabWidget;
class QWidget;

namespace velmora {

class AboutSettingsTab;
class SettingsStore;
class SkinLoader;
class EffectsSettingsTab;
class GeneralSettingsTab;
class SettingsViewModel;
class SkinsSettingsTab;

// The one settings window of the process: the About, General, Skins, Effects
// and Keys tabs over a shared view model. Created on the first request and
// kept until the application quits (its aboutToQuit), then destroyed; closing
// it only hides it, and the next request shows the same window with the same
// state.
class SettingsWindowController final {
public:
    static inline const QString title = QStringLiteral("Velmora \u2014 Settings");
    static constexpr int width = 600;
    static constexpr int height = 680;

    // What the window needs of the application.
    struct Services {
        // The application's actions (menus are walked, submenus included):
        // the Keys tab lists their keys.
        QList<QAction*> keyActions;
        // Keys registered outside the actions, listed after them.
        QList<KeyBinding> otherKeys;
        // "Use Now" on a skin card: the skin for the active device window.
        std::function<void(const SkinManifest&)> useSkin;
        // The skin of the device window the user works in, if any.
        ActiveSkin::DeviceSkinSource deviceSkin;
    };

    // The window of the process, created when first asked for (again after a
    // quit).
    static SettingsWindowController& shared();
    // The application's "Settings…": hands over the services, then shows the
    // shared window, raised and active. Returns the window.
    static QWidget* showShared(const Services& services);

    // The window edits the settings and skins it is given.
    SettingsWindowController(SettingsStore& settings, SkinLoader& skins);
    ~SettingsWindowController();
    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    void setServices(const Services& services);
    void showWindow();

    QWidget* window() const { return m_window.get(); }
    QTabWidget* tabs() const { return m_tabs; }
    SettingsViewModel& model() const { return *m_model; }
    AboutSettingsTab* aboutTab() const { return m_about; }
    GeneralSettingsTab* generalTab() const { return m_general; }
    SkinsSettingsTab* skinsTab() const { return m_skins; }
    EffectsSettingsTab* effectsTab() const { return m_effects; }
    KeysSettingsTab* keysTab() const { return m_keys; }

private:
    std::unique_ptr<QWidget> m_window;
    SettingsViewModel* m_model = nullptr;
    QTabWidget* m_tabs = nullptr;
    AboutSettingsTab* m_about = nullptr;
    GeneralSettingsTab* m_general = nullptr;
    SkinsSettingsTab* m_skins = nullptr;
    EffectsSettingsTab* m_effects = nullptr;
    KeysSettingsTab* m_keys = nullptr;
};

} // namespace velmora
