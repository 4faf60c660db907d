#include "corvel/qt/PreeditView.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

namespace corvel {

PreeditView::PreeditView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void PreeditView::setText(const QString& text, int cursor)
{
    text_ = text;
    cursor_ = std::clamp(cursor, 0, static_cast<int>(text.size()));
    relayout();
}

void PreeditView::setStyle(const QFont& font, const QColor& foreground, const QColor& background)
{
    font_ = font;
    foreground_ = foreground;
    background_ = background;
    relayout();
}

void PreeditView::place(QPointF origin, double cellHeight)
{
    origin_ = origin;
    cellHeight_ = cellHeight;
    relayout();
}

void PreeditView::relayout()
{
    if (text_.isEmpty()) {
        hide();
        return;
    }
    const QFontMetricsF metrics(font_);
    const double width = metrics.horizontalAdvance(text_) + 2;
    const double height = std::max(cellHeight_, metrics.height());
    setGeometry(static_cast<int>(std::floor(origin_.x())),
                static_cast<int>(std::floor(origin_.y())),
                static_cast<int>(std::ceil(width)),
                static_cast<int>(std::ceil(height)));
    raise();
    show();
    update();
}

void PreeditView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    painter.setFont(font_);
    painter.setPen(foreground_);
    const QFontMetricsF metrics(font_);
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(0, baseline), text_);
    const double underline = std::min(height() - 1.0, baseline + metrics.underlinePos());
    painter.drawLine(QPointF(0, underline), QPointF(width(), underline));
    // The input method's own caret inside the composition.
    const double x = metrics.horizontalAdvance(text_.left(cursor_));
    painter.drawLine(QPointF(x, 1), QPointF(x, height() - 2));
}

} // namespace corvel
