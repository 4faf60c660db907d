#include "corvel/qt/CaretView.h"

#include <cmath>

#include <QEasingCurve>
#include <QPainter>
#include <QPalette>

#include "corvel/qt/CaretShapes.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/TerminalView.h"

namespace corvel {

namespace {

bool isBlinkingStyle(CursorStyle style) { return isBlinkingCaret(style); }

bool isBlockStyle(CursorStyle style) { return isBlockCaret(style); }

} // namespace

CaretView::CaretView(const QRectF& frame, CursorStyle style, TerminalView* terminal)
    : QWidget(terminal), terminal_(terminal), style_(style)
{
    setCellFrame(frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    defaultCaretColor_ = palette().color(QPalette::Active, QPalette::Highlight);
    caretColor_ = defaultCaretColor_;

    // Fade out with an ease-in curve, then play the same curve backwards.
    QEasingCurve easeIn(QEasingCurve::BezierSpline);
    easeIn.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
    blink_.setStartValue(0.0);
    blink_.setEndValue(2.0);
    blink_.setDuration(2 * fadeMilliseconds);
    blink_.setLoopCount(-1);
    connect(&blink_, &QVariantAnimation::valueChanged, this, [this, easeIn](const QVariant& value) {
        const double phase = value.toDouble();
        const double progress = phase <= 1.0 ? phase : 2.0 - phase;
        // Steps of 1/32 are indistinguishable and spare most repaints.
        const double opacity = std::round((1.0 - easeIn.valueForProgress(progress)) * 32) / 32;
        if (opacity == opacity_)
            return;
        opacity_ = opacity;
        repaintCaret();
    });
}

void CaretView::setCellFrame(const QRectF& frame)
{
    if (frame == cellFrame_)
        return;
    // Where it was shows the text again.
    if (terminal_)
        terminal_->willRepaint(geometry());
    cellFrame_ = frame;
    setGeometry(frame.toAlignedRect());
    repaintCaret();
}

void CaretView::setStyle(CursorStyle style)
{
    style_ = style;
    updateCursorStyle();
}

void CaretView::setCaretColor(const QColor& color)
{
    caretColor_ = color;
    repaintCaret();
}

void CaretView::setCaretTextColor(const std::optional<QColor>& color)
{
    caretTextColor_ = color;
    repaintCaret();
}

void CaretView::setTracksFocus(bool value)
{
    tracksFocus_ = value;
    repaintCaret();
}

void CaretView::setFocused(bool value)
{
    focused_ = value;
    repaintCaret();
}

void CaretView::setText(const CharData& cell)
{
    const QString text = terminal_ ? terminal_->caretText(cell) : QStringLiteral(" ");
    const FontFace face = terminal_ ? terminal_->caretFace(cell) : FontFace::normal;
    // The caret is redrawn only when what it shows changes.
    if (hasText_ && text == text_ && face == face_)
        return;
    text_ = text;
    face_ = face;
    hasText_ = true;
    repaintCaret();
}

void CaretView::updateCursorStyle()
{
    if (isBlinkingStyle(style_))
        updateAnimation(true);
    else
        disableAnimations();
    updateView();
}

void CaretView::updateAnimation(bool blink)
{
    blink_.stop();
    opacity_ = 1;
    if (blink)
        blink_.start();
    repaintCaret();
}

void CaretView::disableAnimations() { updateAnimation(false); }

void CaretView::repaintCaret()
{
    if (terminal_ && isVisible())
        terminal_->willRepaint(geometry());
    update();
}

void CaretView::paintEvent(QPaintEvent*)
{
    if (!hasText_ || !terminal_)
        return;
    const bool hasFocus = tracksFocus_ ? terminal_->viewHasFocus() : true;
    QPainter p(this);
    p.setOpacity(opacity_);
    const QRectF bounds = cellFrame_.translated(-QPointF(pos()));
    p.setClipRect(bounds);
    for (const QRectF& shape : caretShapes(style_, hasFocus, bounds, devicePixelRatioF()))
        p.fillRect(shape, caretColor_);
    if (hasFocus && isBlockStyle(style_)) {
        const FontSet& fonts = terminal_->fontSet();
        const QColor textColor = caretTextColor_.value_or(terminal_->nativeForegroundColor());
        p.setPen(textColor);
        p.setFont(fonts.font(face_));
        const double baseline = bounds.bottom() - fonts.baselineOffset();
        p.drawText(QPointF(bounds.left(), baseline), text_);
    }
}

} // namespace corvel
