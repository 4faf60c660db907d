#include "app/CommandPaletteController.h"

#include "app/CommandPaletteView.h"
#include "look/PresentWindow.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace velmora {

CommandPaletteController::CommandPaletteController(Commands commands, QObject* parent)
    : QObject(parent), m_commands(std::move(commands)), m_panel(std::make_unique<CommandPaletteView>(m_state))
{
    m_panel->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_panel->setWindowTitle(QStringLiteral("Command Palette"));
    m_panel->resize(panelSize);
    connect(m_panel.get(), &CommandPaletteView::dismissRequested, this, &CommandPaletteController::close);
    connect(m_panel.get(), &CommandPaletteView::runRequested, this, [this](const PaletteEntry& entry) {
        run(entry);
        close();
    });
}

CommandPaletteController::~CommandPaletteController() = default;

std::vector<SkinManifest> CommandPaletteController::currentSkins() const
{
    return m_commands.skins ? m_commands.skins() : std::vector<SkinManifest>{};
}

QPoint CommandPaletteController::placement(const QRect& anchorFrame, const QRect& available)
{
    const QPointF centre = QRectF(anchorFrame).center();
    QPoint place
        = QPointF(centre.x() - panelSize.width() / 2.0, centre.y() - panelSize.height() / 2.0 - raise).toPoint();
    if (available.isValid()) {
        place.setX(std::max(available.left(), std::min(place.x(), available.right() + 1 - panelSize.width())));
        place.setY(std::max(available.top(), std::min(place.y(), available.bottom() + 1 - panelSize.height())));
    }
    return place;
}

void CommandPaletteController::open(std::optional<PaletteAnchor> anchor)
{
    m_anchor = std::move(anchor);
    const bool anchored = m_anchor && m_anchor->window;
    m_state.reload(currentSkins(), anchored ? std::optional(m_anchor->sessionCount) : std::nullopt);
    m_state.setQuery(QString());

    if (anchored) {
        const QRect frame = m_anchor->window->frameGeometry();
        const QScreen* screen = QGuiApplication::screenAt(frame.center());
        if (!screen)
            screen = m_anchor->window->screen();
        m_panel->move(placement(frame, screen ? screen->availableGeometry() : QRect()));
    } else {
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            m_panel->move(screen->availableGeometry().center() - QPoint(panelSize.width() / 2, panelSize.height() / 2));
    }
    presentWindow(m_panel.get());
    m_panel->queryField()->setFocus(Qt::ActiveWindowFocusReason);
}

void CommandPaletteController::close() { m_panel->hide(); }

void CommandPaletteController::run(const PaletteEntry& entry)
{
    using Kind = PaletteEntry::Kind;
    const PaletteAnchor* anchor = m_anchor && m_anchor->window ? &*m_anchor : nullptr;
    switch (entry.action.kind) {
    case Kind::changeSkin: {
        const std::vector<SkinManifest> loaded = currentSkins();
        const std::vector<SkinManifest>& skins = SkinManifest::orBuiltInPair(loaded);
        const auto skin = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& candidate) {
            return candidate.name == entry.action.skinName;
        });
        if (skin != skins.end() && anchor && anchor->changeSkin)
            anchor->changeSkin(*skin);
        break;
    }
    case Kind::switchSession:
        if (anchor && anchor->switchSession)
            anchor->switchSession(entry.action.sessionIndex);
        break;
    case Kind::newSession:
        if (anchor && anchor->newSession)
            anchor->newSession();
        break;
    case Kind::cycleSkin:
        if (anchor && anchor->cycleSkin)
            anchor->cycleSkin();
        break;
    case Kind::openSkinPicker:
        if (m_commands.openSkinPicker)
            m_commands.openSkinPicker();
        break;
    case Kind::openSettings:
        if (m_commands.openSettings)
            m_commands.openSettings();
        break;
    }
}

} // namespace velmora
