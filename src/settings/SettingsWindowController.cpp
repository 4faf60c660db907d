#include "settings/SettingsWindowController.h"

#include "core/SettingsStore.h"
#include "skin/SkinLoader.h"

#include "look/PresentWindow.h"
#include "look/SymbolIcon.h"
#include "settings/AboutSettingsTab.h"
#include "settings/EffectsSettingsTab.h"
#include "settings/GeneralSettingsTab.h"
#include "settings/SettingsViewModel.h"
#include "settings/SkinsSettingsTab.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace velmora {

SettingsWindowController& SettingsWindowController::shared()
{
    static SettingsWindowController* controller = nullptr;
    if (!controller) {
        // The window of the process edits the process's settings and skins.
        controller = new SettingsWindowController(SettingsStore::shared(), SkinLoader::shared());
        // Gone while the application object still stands, and with it
        // whatever the window has in flight.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, controller->window(), [] {
            delete std::exchange(controller, nullptr);
        });
    }
    return *controller;
}

QWidget* SettingsWindowController::showShared(const Services& services)
{
    SettingsWindowController& controller = shared();
    controller.setServices(services);
    controller.showWindow();
    return controller.window();
}

SettingsWindowController::SettingsWindowController(SettingsStore& settings, SkinLoader& skins)
    : m_window(std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint))
{
    m_window->setObjectName(QStringLiteral("settingsWindow"));
    m_window->setWindowTitle(title);
    m_window->setFixedSize(width, height);
    m_model = new SettingsViewModel(settings, skins, m_window.get());

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(16, 16, 16, 16);
    m_tabs = new QTabWidget(m_window.get());
    m_tabs->setDocumentMode(false);
    m_about = new AboutSettingsTab(*m_model, QColor(0x00, 0xFF, 0x41));
    m_general = new GeneralSettingsTab(*m_model);
    m_skins = new SkinsSettingsTab(*m_model);
    m_effects = new EffectsSettingsTab(*m_model);
    m_keys = new KeysSettingsTab;
    const QColor iconColor = m_tabs->palette().color(QPalette::WindowText);
    const qreal ratio = m_window->devicePixelRatioF();
    const auto addTab = [&](QWidget* tab, const QString& label, const QString& symbol) {
        m_tabs->addTab(tab, QIcon(SymbolIcon::pixmap(symbol, iconColor, 16, ratio)), label);
    };
    addTab(m_about, QStringLiteral("About"), QStringLiteral("info.circle"));
    addTab(m_general, QStringLiteral("General"), QStringLiteral("gear"));
    addTab(m_skins, QStringLiteral("Skins"), QStringLiteral("paintbrush.fill"));
    addTab(m_effects, QStringLiteral("Effects"), QStringLiteral("wand.and.stars"));
    addTab(m_keys, QStringLiteral("Keys"), QStringLiteral("keyboard.fill"));
    m_tabs->setIconSize(QSize(16, 16));
    m_tabs->setCurrentIndex(0);
    layout->addWidget(m_tabs);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::setServices(const Services& services)
{
    m_keys->setSources(services.keyActions, services.otherKeys);
    m_skins->setActions({services.useSkin, {}, {}});
    if (services.deviceSkin) {
        m_model->setDeviceSkinSource(services.deviceSkin);
        m_about->setSkinNameSource(services.deviceSkin);
    }
}

void SettingsWindowController::showWindow() { presentWindow(m_window.get()); }

} // namespace velmora
