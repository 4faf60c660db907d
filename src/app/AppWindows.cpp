#include "app/AppWindows.h"

#include "app/CommandPaletteController.h"
#include "app/DeviceWindowActions.h"
#include "app/GlobalHotkey.h"
#include "app/MainMenu.h"
#include "app/WelcomeWindowController.h"
#include "app/WindowRegistry.h"
#include "core/AppPaths.h"
#include "device/DeviceWindowController.h"
#include "settings/AboutWindowController.h"
#include "settings/SettingsWindowController.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderWindowController.h"
#include "skinpicker/SkinPickerWindowController.h"

#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QUrl>
#include <QWidget>

namespace velmora {
namespace {

// A picker replaced goes once the event that asked for the new one (perhaps
// its own key) is done with it.
void retire(std::unique_ptr<SkinPickerWindowController>& picker)
{
    if (picker) {
        picker->close();
        picker.release()->deleteLater();
    }
}

} // namespace

AppWindows::AppWindows(SkinLoader& skins, WindowRegistry& windows, const DeviceWindowActions& actions, QObject* parent)
    : QObject(parent), m_skins(skins), m_windows(windows), m_actions(actions)
{
}

AppWindows::~AppWindows() = default;

void AppWindows::installApplicationShortcuts(QWidget* window) const
{
    if (m_mainMenu && window && window->actions().isEmpty())
        m_mainMenu->installOn(window, MainMenu::Scope::application);
}

// ---- the skin pickers ------------------------------------------------------------------

std::unique_ptr<SkinPickerWindowController> AppWindows::makeSkinPicker(const std::optional<QString>& currentSkinId)
{
    auto picker = std::make_unique<SkinPickerWindowController>(m_skins, currentSkinId);
    connect(picker.get(), &SkinPickerWindowController::editSkinRequested, this, [this](const QString& folder) {
        openSkinBuilder(folder);
    });
    connect(picker.get(), &SkinPickerWindowController::importImageRequested, this, [this](const QString& picture) {
        openSkinBuilderWithImage(picture);
    });
    installApplicationShortcuts(picker->window());
    return picker;
}

void AppWindows::showSkinPicker()
{
    // A fresh picker each time, marking the active window's skin.
    retire(m_skinPicker);
    DeviceWindowController* active = m_windows.activeController();
    std::unique_ptr<SkinPickerWindowController> picker
        = makeSkinPicker(active ? std::optional(active->skin().id) : std::nullopt);
    const QPointer<WindowRegistry> windows(&m_windows);
    connect(picker.get(), &SkinPickerWindowController::skinSelected, this, [windows](const SkinManifest& skin) {
        if (windows)
            windows->open(skin);
    });
    picker->showWindow();
    m_skinPicker = std::move(picker);
}

void AppWindows::showChangeSkinPicker(DeviceWindowController* controller)
{
    if (!controller)
        return;
    std::unique_ptr<SkinPickerWindowController>& picker = m_changeSkinPickers[controller];
    retire(picker);
    picker = makeSkinPicker(controller->skin().id);
    connect(picker.get(), &SkinPickerWindowController::skinSelected, controller, &DeviceWindowController::changeSkin);
    picker->showWindow();
}

SkinPickerWindowController* AppWindows::changeSkinPicker(DeviceWindowController* controller) const
{
    const auto found = m_changeSkinPickers.find(controller);
    return found != m_changeSkinPickers.end() ? found->second.get() : nullptr;
}

void AppWindows::forgetDeviceWindow(DeviceWindowController* controller)
{
    if (const auto found = m_changeSkinPickers.find(controller); found != m_changeSkinPickers.end()) {
        retire(found->second);
        m_changeSkinPickers.erase(found);
    }
}

// ---- settings and About ------------------------------------------------------------------

void AppWindows::showSettings()
{
    SettingsWindowController::Services services;
    if (m_mainMenu)
        services.keyActions = m_mainMenu->menu()->actions();
    // Alt+Space is listed only where this program holds it.
    if (GlobalHotkey::shared().isRegistered())
        services.otherKeys = {{QStringLiteral("Show or Hide Velmora"), QStringLiteral("Alt+Space")}};
    const QPointer<AppWindows> self(this);
    services.useSkin = [self](const SkinManifest& skin) {
        if (self)
            self->m_actions.useSkin(skin);
    };
    services.deviceSkin = [self]() -> std::optional<QString> {
        if (!self)
            return std::nullopt;
        DeviceWindowController* controller = self->m_windows.activeController();
        if (!controller && !self->m_windows.controllers().empty())
            controller = self->m_windows.controllers().front();
        return controller ? std::optional(controller->skin().name) : std::nullopt;
    };
    installApplicationShortcuts(SettingsWindowController::showShared(services));
}

void AppWindows::showAbout()
{
    AboutWindowController& about = AboutWindowController::shared();
    installApplicationShortcuts(about.window());
    about.showWindow();
}

// ---- the skin builder --------------------------------------------------------------------

SkinBuilderWindowController& AppWindows::skinBuilder()
{
    if (!m_skinBuilder) {
        m_skinBuilder = std::make_unique<SkinBuilderWindowController>(m_skins);
        installApplicationShortcuts(m_skinBuilder->window());
    }
    return *m_skinBuilder;
}

void AppWindows::showSkinBuilder() { skinBuilder().showWindow(); }

void AppWindows::openSkinBuilder(const QString& skinFolder) { skinBuilder().openSkinForEditing(skinFolder); }

void AppWindows::openSkinBuilderWithImage(const QString& picture) { skinBuilder().openPicture(picture); }

void AppWindows::revealSkinsFolder()
{
    const QString folder = AppPaths::skinsDir();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// ---- the command palette and the welcome window ------------------------------------------

void AppWindows::openCommandPalette()
{
    if (!m_commandPalette) {
        CommandPaletteController::Commands commands;
        const QPointer<AppWindows> self(this);
        commands.openSkinPicker = [self] {
            if (self)
                self->showSkinPicker();
        };
        commands.openSettings = [self] {
            if (self)
                self->showSettings();
        };
        commands.skins = [&skins = m_skins] { return skins.skins(); };
        m_commandPalette = std::make_unique<CommandPaletteController>(std::move(commands));
    }
    DeviceWindowController* controller = m_windows.activeController();
    m_commandPalette->open(controller ? std::optional(m_actions.paletteAnchor(controller)) : std::nullopt);
}

void AppWindows::showWelcomeThenPicker()
{
    const QPointer<AppWindows> self(this);
    m_welcome = std::make_unique<WelcomeWindowController>(
        [self] {
            if (self)
                self->showSkinPicker();
        },
        GlobalHotkey::shared().isRegistered());
    installApplicationShortcuts(m_welcome->window());
    m_welcome->showWindow();
}

} // namespace velmora
