#include "session/SessionTabsView.h"

#include <QFontDatabase>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace velmora {

PillButton::PillButton(const QString& label, QWidget* parent) : QWidget(parent), m_label(label)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    resize(size, size);
}

void PillButton::setLabel(const QString& label)
{
    m_label = label;
    update();
}

void PillButton::setActive(bool active)
{
    m_isActive = active;
    update();
}

void PillButton::setPaletteForeground(const QColor& colour)
{
    m_paletteForeground = colour;
    update();
}

QColor PillButton::fillColour() const
{
    QColor c = m_paletteForeground;
    c.setAlphaF(m_isActive ? 0.85f : m_isHovered ? 0.35f : 0.12f);
    return c;
}

QColor PillButton::strokeColour() const
{
    QColor c = m_paletteForeground;
    c.setAlphaF(m_isActive ? 0.0f : m_isHovered ? 0.9f : 0.6f);
    return c;
}

QColor PillButton::textColour() const
{
    if (m_isActive)
        return Qt::black;
    QColor c = m_paletteForeground.toRgb();
    if (!c.isValid())
        c = Qt::white;
    c.setAlphaF(1.0f);
    return c;
}

void PillButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.fillPath(path, fillColour());
    painter.strokePath(path, QPen(strokeColour(), 0.75));

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(9);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(textColour());
    painter.drawText(QRectF(rect()).translated(0, -0.5), Qt::AlignCenter, m_label);
}

void PillButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_isHovered = true;
    update();
}

void PillButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_isHovered = false;
    update();
}

void PillButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        return;
    }
    if (event->button() == Qt::RightButton && m_isClosable) {
        QPointer<PillButton> pill(this);
        QMenu menu;
        menu.addAction(closeTabTitle(), [pill] {
            if (pill)
                pill->menuCloseTab();
        });
        menu.exec(event->globalPosition().toPoint());
    }
}

void PillButton::menuCloseTab()
{
    if (m_isClosable)
        emit closeRequested();
}

SessionTabsView::SessionTabsView(const SkinManifest::TerminalPalette& palette, QWidget* parent)
    : QWidget(parent), m_palette(palette)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    m_addButton = new PillButton(QStringLiteral("+"), this);
    connect(m_addButton, &PillButton::clicked, this, &SessionTabsView::addRequested);
    m_addButton->setPaletteForeground(palette.foreground);
    layoutPills();
}

void SessionTabsView::update(int count, int active, const SkinManifest::TerminalPalette& palette)
{
    m_count = std::max(0, count);
    m_activeIndex = active;
    m_palette = palette;
    m_addButton->setPaletteForeground(palette.foreground);
    while (int(m_pillViews.size()) < m_count) {
        const int index = int(m_pillViews.size());
        auto* pill = new PillButton(QString::number(index + 1), this);
        pill->setPaletteForeground(palette.foreground);
        pill->setClosable(true);
        connect(pill, &PillButton::clicked, this, [this, index] { emit picked(index); });
        connect(pill, &PillButton::closeRequested, this, [this, index] { emit closeRequested(index); });
        pill->show();
        m_pillViews.push_back(pill);
    }
    while (int(m_pillViews.size()) > m_count) {
        PillButton* last = m_pillViews.back();
        m_pillViews.pop_back();
        last->hide();
        last->deleteLater();
    }
    for (int i = 0; i < m_count; ++i) {
        PillButton* pill = m_pillViews[std::size_t(i)];
        pill->setLabel(QString::number(i + 1));
        pill->setPaletteForeground(palette.foreground);
        pill->setActive(i == m_activeIndex);
    }
    layoutPills();
    QWidget::update();
}

void SessionTabsView::setPalette(const SkinManifest::TerminalPalette& palette)
{
    update(m_count, m_activeIndex, palette);
}

void SessionTabsView::layoutPills()
{
    for (std::size_t i = 0; i < m_pillViews.size(); ++i)
        m_pillViews[i]->setGeometry(pitch * int(i), 0, PillButton::size, PillButton::size);
    m_addButton->setGeometry(pitch * int(m_pillViews.size()), 0, PillButton::size, PillButton::size);
}

void SessionTabsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPills();
}

} // namespace velmora
