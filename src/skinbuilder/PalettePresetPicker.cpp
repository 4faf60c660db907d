#include "skinbuilder/PalettePresetPicker.h"

#include "look/SymbolIcon.h"
#include "skin/HexColor.h"
#include "skinbuilder/PanelControls.h"

#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

namespace {

constexpr int listWidth = 250;
constexpr int listHeight = 340;
constexpr qreal swatchWidth = 9;
constexpr qreal swatchHeight = 12;
constexpr qreal swatchGap = 1;

} // namespace

PalettePresetList::PalettePresetList(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void PalettePresetList::setPalettes(const QList<CuratedPalette>& palettes, const std::optional<QString>& currentId)
{
    m_palettes = palettes;
    m_currentId = currentId;
    m_hoverRow = -1;
    setFixedHeight(int(m_palettes.size()) * rowHeight);
    update();
}

int PalettePresetList::currentRow() const
{
    if (!m_currentId)
        return -1;
    for (qsizetype row = 0; row < m_palettes.size(); ++row)
        if (m_palettes[row].id == *m_currentId)
            return int(row);
    return -1;
}

void PalettePresetList::pick(int row)
{
    if (row >= 0 && row < m_palettes.size())
        emit picked(m_palettes[row]);
}

QSize PalettePresetList::sizeHint() const { return {listWidth, int(m_palettes.size()) * rowHeight}; }

int PalettePresetList::rowAt(const QPoint& point) const
{
    if (point.y() < 0 || !rect().contains(point))
        return -1;
    const int row = point.y() / rowHeight;
    return row < m_palettes.size() ? row : -1;
}

void PalettePresetList::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont nameFont = PanelLook::font(11);
    painter.setFont(nameFont);
    const QColor accent = PanelLook::accent(palette());
    const QColor primary = palette().color(QPalette::WindowText);
    QColor rule = primary;
    rule.setAlphaF(0.12f);
    const int first = std::max(0, event->rect().top() / rowHeight);
    const int last = std::min(int(m_palettes.size()) - 1, event->rect().bottom() / rowHeight);
    for (int row = first; row <= last; ++row) {
        const CuratedPalette& entry = m_palettes[row];
        const QRect bounds(0, row * rowHeight, width(), rowHeight);
        if (row == m_hoverRow) {
            QColor hover = accent;
            hover.setAlphaF(0.12f);
            painter.fillRect(bounds.adjusted(0, 0, 0, -1), hover);
        }
        // Padding of 5 above and below, 8 left and right; name, 3, strip.
        const QRectF nameBox(8, bounds.top() + 5, width() - 16, 16);
        painter.setPen(m_currentId && entry.id == *m_currentId ? accent : primary);
        painter.drawText(nameBox,
                         Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(entry.name, Qt::ElideRight, int(nameBox.width())));
        const qreal stripTop = nameBox.bottom() + 3;
        const qreal stripWidth = entry.ansi.size() * (swatchWidth + swatchGap) - swatchGap;
        QPainterPath clip;
        clip.addRoundedRect(QRectF(8, stripTop, std::max<qreal>(stripWidth, 0), swatchHeight), 2, 2);
        painter.save();
        painter.setClipPath(clip);
        for (qsizetype i = 0; i < entry.ansi.size(); ++i)
            painter.fillRect(QRectF(8 + i * (swatchWidth + swatchGap), stripTop, swatchWidth, swatchHeight),
                             HexColor::parse(entry.ansi[i]).value_or(QColor(Qt::black)));
        painter.restore();
        painter.fillRect(QRect(0, bounds.bottom(), width(), 1), rule);
    }
}

void PalettePresetList::mouseMoveEvent(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint());
    if (row != m_hoverRow) {
        m_hoverRow = row;
        update();
    }
}

void PalettePresetList::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pick(rowAt(event->position().toPoint()));
}

void PalettePresetList::leaveEvent(QEvent*)
{
    m_hoverRow = -1;
    update();
}

PalettePresetPicker::PalettePresetPicker(QWidget* parent) : QPushButton(parent)
{
    setToolTip(QStringLiteral("Browse curated palettes with a live 16-color preview"));
    setFont(PanelLook::font(11));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(m_popup);
    column->setContentsMargins(0, 8, 0, 0);
    column->setSpacing(6);
    m_filter = new QLineEdit;
    m_filter->setPlaceholderText(QStringLiteral("Filter palettes…"));
    m_filter->setClearButtonEnabled(true);
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(8, 0, 8, 0);
    filterRow->addWidget(m_filter);
    column->addLayout(filterRow);
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFixedSize(listWidth, listHeight);
    m_list = new PalettePresetList;
    m_scroll->setWidget(m_list);
    column->addWidget(m_scroll);

    connect(this, &QPushButton::clicked, this, [this] { setOpen(!isOpen()); });
    connect(m_filter, &QLineEdit::textEdited, this, &PalettePresetPicker::setQuery);
    connect(m_list, &PalettePresetList::picked, this, [this](const CuratedPalette& palette) {
        emit picked(palette);
        setOpen(false);
    });
    refreshList();
}

PalettePresetPicker::~PalettePresetPicker() = default;

QList<CuratedPalette> PalettePresetPicker::filtered(const QString& query)
{
    if (query.isEmpty())
        return CuratedPalettes::all();
    QList<CuratedPalette> result;
    for (const CuratedPalette& palette : CuratedPalettes::all())
        if (palette.name.contains(query, Qt::CaseInsensitive))
            result.append(palette);
    return result;
}

QString PalettePresetPicker::currentName(const std::optional<QString>& id)
{
    if (!id)
        return noPaletteName;
    const std::optional<CuratedPalette> palette = CuratedPalettes::byId(*id);
    return palette ? palette->name : noPaletteName;
}

void PalettePresetPicker::setCurrent(const std::optional<QString>& id)
{
    if (id == m_current)
        return;
    m_current = id;
    updateGeometry();
    update();
    refreshList();
}

void PalettePresetPicker::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    if (m_filter->text() != query)
        m_filter->setText(query);
    refreshList();
}

void PalettePresetPicker::refreshList() { m_list->setPalettes(filtered(m_query), m_current); }

bool PalettePresetPicker::isOpen() const { return m_popup && m_popup->isVisible(); }

void PalettePresetPicker::setOpen(bool open)
{
    if (open == isOpen())
        return;
    if (!open) {
        m_popup->hide();
        return;
    }
    refreshList();
    m_popup->adjustSize();
    // Below the button, or above it where the screen has no room below.
    QPoint place = mapToGlobal(QPoint(0, height() + 4));
    if (const QScreen* shown = screen()) {
        const QRect room = shown->availableGeometry();
        if (place.y() + m_popup->height() > room.bottom() + 1) {
            const int above = mapToGlobal(QPoint(0, -4 - m_popup->height())).y();
            place.setY(above >= room.top() ? above : std::max(room.top(), room.bottom() + 1 - m_popup->height()));
        }
        place.setX(std::clamp(place.x(), room.left(), std::max(room.left(), room.right() + 1 - m_popup->width())));
    }
    m_popup->move(place);
    m_popup->show();
    m_filter->setFocus();
    if (const int row = m_list->currentRow(); row >= 0)
        m_scroll->ensureVisible(
            0, row * PalettePresetList::rowHeight + PalettePresetList::rowHeight / 2, 0, PalettePresetList::rowHeight);
}

QSize PalettePresetPicker::sizeHint() const
{
    const int text = fontMetrics().horizontalAdvance(currentName(m_current));
    return {std::min(10 + 13 + 4 + text + 4 + 8 + 10, 260), 28};
}

void PalettePresetPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor ink = palette().color(QPalette::ButtonText);
    QColor base = palette().color(QPalette::Base);
    if (isDown())
        base = base.darker(110);
    else if (underMouse())
        base = base.darker(104);
    QColor edge = ink;
    edge.setAlphaF(0.22f);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(base);
    painter.drawRoundedRect(frame, 6, 6);

    // Symbol, 4, name, 4, chevrons.
    qreal x = 10;
    const qreal middle = height() / 2.0;
    SymbolIcon::paint(painter, QRectF(x, middle - 6.5, 13, 13), QStringLiteral("paintpalette"), ink);
    x += 13 + 4;
    const qreal nameWidth = width() - x - 4 - 8 - 10;
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(x, 0, nameWidth, height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(currentName(m_current), Qt::ElideRight, int(nameWidth)));
    SymbolIcon::paint(
        painter, QRectF(width() - 10 - 8, middle - 4, 8, 8), QStringLiteral("chevron.up.chevron.down"), ink);
    if (hasFocus()) {
        painter.setPen(QPen(PanelLook::accent(palette()), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), 5, 5);
    }
}

} // namespace velmora
