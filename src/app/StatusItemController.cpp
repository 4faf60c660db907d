#include "app/StatusItemController.h"

#include "app/MainMenu.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace velmora {
namespace {

// A terminal glyph for the tray: a rounded screen with a prompt, drawn in
// the given colour on a transparent ground.
QPixmap terminalGlyph(int size, const QColor& color)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    QPainterPath screen;
    screen.addRoundedRect(QRectF(1, 2.5, 14, 11), 2.2, 2.2);
    QTransform scale;
    scale.scale(unit, unit);
    painter.fillPath(scale.map(screen), color);

    // The prompt ">_" cut out of the screen.
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    painter.setPen(QPen(Qt::black, 1.5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(4, 5.5) * unit, QPointF(6.5, 8) * unit, QPointF(4, 10.5) * unit}));
    painter.drawLine(QPointF(8, 10.5) * unit, QPointF(11.5, 10.5) * unit);
    return pixmap;
}

// The desktop theme's terminal icon, which suits its panels; the drawn glyph
// where the theme has none.
QIcon trayIcon()
{
    const QColor color = QApplication::palette().color(QPalette::WindowText);
    QIcon drawn;
    for (const int size : {16, 22, 24, 32, 48, 64})
        drawn.addPixmap(terminalGlyph(size, color));
    return QIcon::fromTheme(QStringLiteral("utilities-terminal"), drawn);
}

} // namespace

StatusItemController::StatusItemController(QObject* parent) : QObject(parent), m_menu(new QMenu)
{
    m_menu->setObjectName(QStringLiteral("statusItemMenu"));
    // The menu shows the same keys as the main menu.
    const auto entry = [this](const QString& title, const QKeySequence& keys, auto signal) {
        QAction* action = m_menu->addAction(title);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, signal);
        return action;
    };
    entry(QStringLiteral("Show Velmora"), {}, &StatusItemController::showAppRequested);
    m_menu->addSeparator();
    entry(QStringLiteral("New Tab"), MainMenu::shortcut("newSession"), &StatusItemController::newTabRequested);
    entry(
        QStringLiteral("New Window…"), MainMenu::shortcut("showSkinPicker"), &StatusItemController::newWindowRequested);
    m_menu->addSeparator();
    entry(QStringLiteral("Settings…"), MainMenu::shortcut("showSettings"), &StatusItemController::settingsRequested);
    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(QStringLiteral("Quit Velmora"));
    quit->setShortcut(MainMenu::shortcut("quit"));
    quit->setShortcutContext(Qt::WidgetShortcut);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_item = new QSystemTrayIcon(trayIcon(), this);
        m_item->setToolTip(QStringLiteral("Velmora"));
        m_item->setContextMenu(m_menu);
        // A plain click opens the menu too, as the right button does.
        connect(m_item, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                m_menu->popup(QCursor::pos());
        });
        m_item->show();
    }
}

StatusItemController::~StatusItemController()
{
    delete m_item;
    delete m_menu;
}

bool StatusItemController::isShown() const { return m_item && m_item->isVisible(); }

} // namespace velmora
