#pragma once

#include "skin/ActiveSkin.h"

#include <QObject>
#include <QString>

namespace velmora {

class SettingsStore;
class SkinLoader;

// The settings window's mirror of the settings it edits, and the way its
// tabs reach the settings store and the skin loader. It only follows the
// store: the tabs write their changes to the store themselves. From its
// creation it follows the font, skins-reloaded and reset notifications for the
// rest of its life, also while the window is hidden. Every assignment, even of
// an equal value, announces changed(). Main thread only.
class SettingsViewModel final : public QObject {
    Q_OBJECT

public:
    SettingsViewModel(SettingsStore& settings, SkinLoader& skins, QObject* parent = nullptr);

    SettingsStore& settings() const { return m_settings; }
    SkinLoader& skins() const { return m_skins; }

    // Which skin the window edits (the device window's, else the default
    // skin, else the first), from the device windows the source reports.
    void setDeviceSkinSource(ActiveSkin::DeviceSkinSource source) { m_deviceSkin = std::move(source); }
    QString activeSkinName() const;

    QString fontName() const { return m_fontName; }
    double fontSize() const { return m_fontSize; }
    // The stored shell, or the detected login shell while none is stored.
    QString shell() const { return m_shell; }
    QString defaultSkin() const { return m_defaultSkin; }
    bool restoreWindows() const { return m_restoreWindows; }
    // Grows by one on every skins reload and every reset; lists of skins read
    // the loader again when it changes.
    int skinsTick() const { return m_skinsTick; }

    void setFontName(const QString& name);
    void setFontSize(double size);
    void setShell(const QString& shell);
    void setDefaultSkin(const QString& name);
    void setRestoreWindows(bool restore);
    void bumpSkinsTick();

    // The shell new sessions start: the stored one, else the login shell.
    QString effectiveShell() const;

signals:
    void changed();

private:
    void handleFontChange();
    void handleSkinsReload();
    void handleResetAll();
    void readAll();

    SettingsStore& m_settings;
    SkinLoader& m_skins;
    ActiveSkin::DeviceSkinSource m_deviceSkin;
    QString m_fontName;
    double m_fontSize = 0;
    QString m_shell;
    QString m_defaultSkin;
    bool m_restoreWindows = false;
    int m_skinsTick = 0;
};

} // namespace velmora
