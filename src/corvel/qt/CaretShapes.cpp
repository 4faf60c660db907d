#include "corvel/qt/CaretShapes.h"

#include <algorithm>
#include <cmath>

namespace corvel {

bool isBlockCaret(CursorStyle style) { return style == CursorStyle::blinkBlock || style == CursorStyle::steadyBlock; }

bool isBlinkingCaret(CursorStyle style)
{
    return style == CursorStyle::blinkBlock || style == CursorStyle::blinkUnderline || style == CursorStyle::blinkBar;
}

std::vector<QRectF> caretShapes(CursorStyle style, bool focused, const QRectF& cell, double scale)
{
    if (!(scale > 0))
        scale = 1;
    const auto px = [scale](double logical) { return std::round(logical * scale) / scale; };
    const QRectF r(QPointF(px(cell.left()), px(cell.top())), QPointF(px(cell.right()), px(cell.bottom())));
    if (!focused) {
        // The inner half of a 3-pixel outline, in whole device pixels.
        const double t = std::max(1.0, std::round(1.5 * scale)) / scale;
        return {QRectF(r.left(), r.top(), r.width(), t),
                QRectF(r.left(), r.bottom() - t, r.width(), t),
                QRectF(r.left(), r.top() + t, t, r.height() - 2 * t),
                QRectF(r.right() - t, r.top() + t, t, r.height() - 2 * t)};
    }
    if (isBlockCaret(style))
        return {r};
    const double t = std::max(1.0, std::round(2 * scale)) / scale;
    if (style == CursorStyle::blinkUnderline || style == CursorStyle::steadyUnderline)
        return {QRectF(r.left(), r.bottom() - t, r.width(), t)};
    return {QRectF(r.left(), r.top(), t, r.height())};
}

} // namespace corvel
