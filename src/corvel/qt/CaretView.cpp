#include "corvel/qt/CaretView.h"

#include <algorithm>
#include <cmath>

#include <QEasingCurve>
#include <QPainter>
#include <QPalette>
#include <QWindow>

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

    blinkTimer_.setSingleShot(true);
    // A few milliseconds either way go unseen; Qt may wake up once for this
    // and other timers.
    blinkTimer_.setTimerType(Qt::CoarseTimer);
    connect(&blinkTimer_, &QTimer::timeout, this, &CaretView::stepBlink);
}

double CaretView::blinkOpacity(qint64 milliseconds)
{
    // Fade out with an ease-in curve, then play the same curve backwards.
    static const QEasingCurve easeIn = [] {
        QEasingCurve curve(QEasingCurve::BezierSpline);
        curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
        return curve;
    }();
    const qint64 period = 2 * fadeMilliseconds;
    const qint64 into = ((milliseconds % period) + period) % period;
    const double phase = double(into) / fadeMilliseconds;
    const double progress = phase <= 1.0 ? phase : 2.0 - phase;
    return std::round((1.0 - easeIn.valueForProgress(progress)) * 32) / 32;
}

qint64 CaretView::nextChangingFrame(qint64 frame)
{
    const double now = blinkOpacity(frame * frameMilliseconds);
    // Within one blink every opacity comes round again.
    const qint64 last = frame + 2 * fadeMilliseconds / frameMilliseconds;
    qint64 next = frame + 1;
    while (next < last && blinkOpacity(next * frameMilliseconds) == now)
        ++next;
    return next;
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
    blinkTimer_.stop();
    blinking_ = blink;
    opacity_ = 1;
    if (blink) {
        blinkClock_.start();
        blinkTimer_.start(int(nextChangingFrame(0) * frameMilliseconds));
    }
    repaintCaret();
}

void CaretView::disableAnimations() { updateAnimation(false); }

void CaretView::repaintCaret()
{
    if (terminal_ && isVisible())
        terminal_->willRepaint(geometry());
    update();
}

bool CaretView::canBeSeen() const
{
    if (!isVisible())
        return false;
    const QWidget* top = window();
    if (top->isMinimized())
        return false;
    const QWindow* handle = top->windowHandle();
    return handle && handle->isExposed();
}

void CaretView::stepBlink()
{
    if (!blinking_)
        return;
    if (!canBeSeen()) {
        blinkTimer_.start(unseenCheckMilliseconds);
        return;
    }
    // The frame due now: a timer a little early or late still shows its
    // frame, and the next one keeps to the blink's own pace.
    const qint64 now = blinkClock_.elapsed();
    const qint64 frame = (now + frameMilliseconds / 2) / frameMilliseconds;
    const double opacity = blinkOpacity(frame * frameMilliseconds);
    if (opacity != opacity_) {
        opacity_ = opacity;
        repaintCaret();
    }
    blinkTimer_.start(int(std::max<qint64>(1, nextChangingFrame(frame) * frameMilliseconds - now)));
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
