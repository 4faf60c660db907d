#include "app/CommandPaletteView.h"

#include "look/SymbolIcon.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velmora {
namespace {

// The palette is a dark floating panel, whatever the desktop's colours.
const QColor panelColor(0x1E, 0x1F, 0x23);
const QColor primaryText(0xEE, 0xEE, 0xF0);
const QColor secondaryText(0xA2, 0xA3, 0xAB);
const QColor tertiaryText(0x74, 0x75, 0x7C);
const QColor borderColor(255, 255, 255, 20); // white at 8 %

constexpr int sidePadding = 14;
constexpr int rowVerticalPadding = 6;
constexpr int iconFrameWidth = 22;
constexpr int iconSide = 15;

QFont pixelFont(QFont font, int pixels, bool monospaced = false)
{
    if (monospaced) {
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setFamilies(fixed.families());
        font.setStyleHint(QFont::Monospace);
    }
    font.setPixelSize(pixels);
    return font;
}

QColor accentColor(const QWidget& widget)
{
    QColor accent = widget.palette().color(QPalette::Highlight);
    accent.setAlphaF(0.15f);
    return accent;
}

} // namespace

PaletteListView::PaletteListView(PaletteState& state, QWidget* parent) : QAbstractScrollArea(parent), m_state(state)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    verticalScrollBar()->setSingleStep(rowHeight());
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 2px; }"
                       "QScrollBar::handle:vertical { background: #40FFFFFF; border-radius: 2px; min-height: 24px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
}

int PaletteListView::rowHeight() const
{
    const QFontMetrics title(pixelFont(font(), 13));
    const QFontMetrics subtitle(pixelFont(font(), 11, true));
    return 2 * rowVerticalPadding + title.height() + 1 + subtitle.height();
}

int PaletteListView::rowAt(const QPoint& point) const
{
    const int row = (point.y() + verticalScrollBar()->value()) / rowHeight();
    return point.y() >= 0 && row < int(m_rows.size()) ? row : -1;
}

void PaletteListView::reload()
{
    m_rows = m_state.results();
    updateScrollRange();
    ensureSelectionVisible();
    viewport()->update();
}

void PaletteListView::ensureSelectionVisible()
{
    const int selected = m_state.selectedIndex();
    // Before the first layout the viewport has no real height yet.
    if (selected < 0 || selected >= int(m_rows.size()) || viewport()->height() < rowHeight())
        return;
    const int top = selected * rowHeight();
    const int bottom = top + rowHeight();
    QScrollBar* bar = verticalScrollBar();
    if (top < bar->value())
        bar->setValue(top);
    else if (bottom > bar->value() + viewport()->height())
        bar->setValue(bottom - viewport()->height());
}

void PaletteListView::updateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, int(m_rows.size()) * rowHeight() - viewport()->height()));
}

void PaletteListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    ensureSelectionVisible();
}

void PaletteListView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int height = rowHeight();
    const int offset = verticalScrollBar()->value();
    const int width = viewport()->width();
    const QFont titleFont = pixelFont(font(), 13);
    const QFont subtitleFont = pixelFont(font(), 11, true);
    const QFont returnFont = pixelFont(font(), 10, true);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const QFontMetrics returnMetrics(returnFont);
    const int first = offset / height;
    for (int row = first; row < int(m_rows.size()) && row * height - offset < viewport()->height(); ++row) {
        const PaletteEntry& entry = m_rows[std::size_t(row)];
        const bool selected = row == m_state.selectedIndex();
        const QRect rect(0, row * height - offset, width, height);
        if (selected)
            painter.fillRect(rect, accentColor(*this));

        int x = sidePadding;
        const QRectF iconFrame(x, rect.top(), iconFrameWidth, height);
        SymbolIcon::paint(
            painter,
            QRectF(
                iconFrame.center().x() - iconSide / 2.0, iconFrame.center().y() - iconSide / 2.0, iconSide, iconSide),
            entry.icon,
            selected ? primaryText : secondaryText);
        x += iconFrameWidth + 10;

        int right = width - sidePadding;
        if (selected) {
            const QString hint = QStringLiteral("return");
            const int hintWidth = returnMetrics.horizontalAdvance(hint);
            painter.setFont(returnFont);
            painter.setPen(secondaryText);
            painter.drawText(
                QRect(right - hintWidth, rect.top(), hintWidth, height), Qt::AlignVCenter | Qt::AlignRight, hint);
            right -= hintWidth + 10;
        }

        const int textTop = rect.top() + rowVerticalPadding;
        painter.setFont(titleFont);
        painter.setPen(primaryText);
        painter.drawText(QRect(x, textTop, right - x, titleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         titleMetrics.elidedText(entry.title, Qt::ElideRight, right - x));
        painter.setFont(subtitleFont);
        painter.setPen(secondaryText);
        painter.drawText(QRect(x, textTop + titleMetrics.height() + 1, right - x, subtitleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         subtitleMetrics.elidedText(entry.subtitle, Qt::ElideRight, right - x));
    }
}

void PaletteListView::mouseMoveEvent(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        m_state.setSelectedIndex(row);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void PaletteListView::mousePressEvent(QMouseEvent* event)
{
    const int row = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -1;
    if (row < 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    emit rowClicked(m_rows[std::size_t(row)]);
}

CommandPaletteView::CommandPaletteView(PaletteState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Window, panelColor);
    colors.setColor(QPalette::Base, panelColor);
    colors.setColor(QPalette::WindowText, primaryText);
    colors.setColor(QPalette::Text, primaryText);
    colors.setColor(QPalette::PlaceholderText, tertiaryText);
    setPalette(colors);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(sidePadding, 10, sidePadding, 10);
    header->setSpacing(8);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(18, 18);
    m_icon->setPixmap(SymbolIcon::pixmap(QStringLiteral("command"), secondaryText, 18, devicePixelRatioF()));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("queryField"));
    m_field->setPlaceholderText(QStringLiteral("Jump to\u2026"));
    m_field->setFrame(false);
    m_field->setFont(pixelFont(font(), 16, true));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; color: %1; "
                                          "selection-background-color: %2; }")
                               .arg(primaryText.name(), palette().color(QPalette::Highlight).name()));
    auto* esc = new QLabel(QStringLiteral("esc"), this);
    esc->setFont(pixelFont(font(), 11, true));
    QPalette escColors = esc->palette();
    escColors.setColor(QPalette::WindowText, tertiaryText);
    esc->setPalette(escColors);
    header->addWidget(m_icon);
    header->addWidget(m_field, 1);
    header->addWidget(esc);

    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: #1AFFFFFF; border: none;"));

    m_list = new PaletteListView(state, this);
    m_list->setObjectName(QStringLiteral("paletteList"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(divider);
    column->addWidget(m_list, 1);

    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, &m_state, &PaletteState::setQuery);
    connect(&m_state, &PaletteState::changed, this, &CommandPaletteView::stateChanged);
    connect(m_list, &PaletteListView::rowClicked, this, &CommandPaletteView::runRequested);
    stateChanged();
}

void CommandPaletteView::stateChanged()
{
    if (m_field->text() != m_state.query())
        m_field->setText(m_state.query());
    // A new query starts with its best match highlighted.
    if (m_state.query() != m_lastQuery) {
        m_lastQuery = m_state.query();
        m_state.setSelectedIndex(0); // comes back here once more
    }
    m_list->reload();
}

bool CommandPaletteView::handleKey(const QKeyEvent& event)
{
    const std::vector<PaletteEntry> results = m_state.results();
    const int count = int(results.size());
    switch (event.key()) {
    case Qt::Key_Escape: emit dismissRequested(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int selected = m_state.selectedIndex();
        if (selected >= 0 && selected < count)
            emit runRequested(results[std::size_t(selected)]);
        return true;
    }
    case Qt::Key_Down: m_state.setSelectedIndex(std::min(m_state.selectedIndex() + 1, count - 1)); return true;
    case Qt::Key_Up: m_state.setSelectedIndex(std::max(m_state.selectedIndex() - 1, 0)); return true;
    default: return false;
    }
}

bool CommandPaletteView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<const QKeyEvent&>(*event));
    return QWidget::eventFilter(watched, event);
}

void CommandPaletteView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(outline, panelColor);
    painter.setPen(QPen(borderColor, 1));
    painter.drawPath(outline);
}

void CommandPaletteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isWindow()) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    }
}

} // namespace velmora
