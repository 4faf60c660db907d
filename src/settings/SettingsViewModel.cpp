#include "settings/SettingsViewModel.h"

#include "core/SettingsStore.h"
#include "skin/SkinLoader.h"

namespace velmora {

SettingsViewModel::SettingsViewModel(QObject* parent) : QObject(parent)
{
    readAll();
    connect(&SettingsStore::shared(), &SettingsStore::notify, this, [this](const QString& name) {
        if (name == SettingsStore::fontDidChange)
            handleFontChange();
        else if (name == SettingsStore::didReset)
            handleResetAll();
    });
    connect(&SkinLoader::shared(), &SkinLoader::notify, this, [this](const QString& name) {
        if (name == SkinLoader::skinsDidReload)
            handleSkinsReload();
    });
}

QString SettingsViewModel::effectiveShell()
{
    const QString stored = SettingsStore::shared().data().defaultShell;
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
    const SettingsData& data = SettingsStore::shared().data();
    m_fontName = data.fontName;
    m_fontSize = data.fontSize;
    m_shell = effectiveShell();
    m_defaultSkin = data.defaultSkin;
    m_restoreWindows = data.restoreWindows;
}

void SettingsViewModel::handleFontChange()
{
    const SettingsData& data = SettingsStore::shared().data();
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
