#include "settings/SettingsViewModel.h"

#include "core/SettingsStore.h"
#include "skin/SkinLoader.h"

namespace velmora {

SettingsViewModel::SettingsViewModel(SettingsStore& settings, SkinLoader& skins, QObject* parent)
    : QObject(parent), m_settings(settings), m_skins(skins)
{
    readAll();
    connect(&settings, &SettingsStore::fontChanged, this, &SettingsViewModel::handleFontChange);
    connect(&settings, &SettingsStore::settingsReset, this, &SettingsViewModel::handleResetAll);
    connect(&skins, &SkinLoader::skinsReloaded, this, &SettingsViewModel::handleSkinsReload);
}

QString SettingsViewModel::activeSkinName() const
{
    const std::optional<QString> deviceSkin = m_deviceSkin ? m_deviceSkin() : std::nullopt;
    return ActiveSkin::choose(deviceSkin, m_settings.data().defaultSkin, m_skins.skins());
}

QString SettingsViewModel::effectiveShell() const
{
    const QString stored = m_settings.data().defaultShell;
    return stored.isEmpty() ? SettingsStore::detectLoginShell() : stored;
}

void SettingsViewModel::setFontName(const QString& name)
{
    m_fontName = name;
    emit changed();
}

void SettingsViewModel::setFontSize(double size)
{
    m_fontSize = size;
    emit changed();
}

void SettingsViewModel::setShell(const QString& shell)
{
    m_shell = shell;
    emit changed();
}

void SettingsViewModel::setDefaultSkin(const QString& name)
{
    m_defaultSkin = name;
    emit changed();
}

void SettingsViewModel::setRestoreWindows(bool restore)
{
    m_restoreWindows = restore;
    emit changed();
}

void SettingsViewModel::bumpSkinsTick()
{
    ++m_skinsTick;
    emit changed();
}

void SettingsViewModel::readAll()
{
    const SettingsData& data = m_settings.data();
    m_fontName = data.fontName;
    m_fontSize = data.fontSize;
    m_shell = effectiveShell();
    m_defaultSkin = data.defaultSkin;
    m_restoreWindows = data.restoreWindows;
}

void SettingsViewModel::handleFontChange()
{
    const SettingsData& data = m_settings.data();
    m_fontName = data.fontName;
    m_fontSize = data.fontSize;
    emit changed();
}

void SettingsViewModel::handleSkinsReload() { bumpSkinsTick(); }

void SettingsViewModel::handleResetAll()
{
    readAll();
    bumpSkinsTick();
}

} // namespace velmora
