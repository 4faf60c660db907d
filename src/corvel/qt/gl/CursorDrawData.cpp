#include "corvel/qt/gl/CursorDrawData.h"

#include <algorithm>

#include "corvel/qt/CaretShapes.h"
#include "corvel/qt/CaretView.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GlyphStore.h"

namespace corvel {

std::optional<CursorState> cursorState(TerminalView& view, int firstRow, int lastRow, bool blinkOn)
{
    Terminal& terminal = view.getTerminal();
    if (terminal.modes().cursorHidden)
        return std::nullopt;
    Buffer& shown = terminal.displayBuffer();
    const int row = shown.y() + shown.yBase();
    if (row < 0 || row < firstRow || row > lastRow || row >= shown.lines().count())
        return std::nullopt;
    if (shown.x() < 0 || shown.cols() <= 0)
        return std::nullopt;
    const CursorStyle style = terminal.options.cursorStyle;
    if (isBlinkingCaret(style) && !blinkOn)
        return std::nullopt;

    CursorState state;
    state.style = style;
    const CaretView* caret = view.caretView();
    state.focused = caret && caret->tracksFocus() ? view.viewHasFocus() : true;
    state.caretColor = view.caretColor();
    state.textColor = view.caretTextColor().value_or(view.nativeForegroundColor());
    // A cursor waiting to wrap sits on the last column.
    const int col = std::clamp(shown.x(), 0, shown.cols() - 1);
    const BufferLine& line = shown.lines()[row];
    const QSizeF cell = view.cellDimension();
    double x = cell.width() * col;
    if (line.renderMode != BufferLine::RenderLineMode::single)
        x *= 2;
    state.cell = QRectF(QPointF(x, cell.height() * (row - shown.yDisp())), cell);
    // An empty line shows the block alone.
    if (line.count() > 0) {
        const CharData& under = line[std::min(col, line.count() - 1)];
        state.text = view.caretText(under);
        state.face = view.caretFace(under);
    }
    return state;
}

CursorDrawData buildCursorDrawData(const CursorState& cursor, const RowContext& context, GlyphStore& glyphs)
{
    CursorDrawData out;
    const double s = context.scale;
    const double heightPx = context.viewSize.height() * s;
    for (const QRectF& shape : caretShapes(cursor.style, cursor.focused, cursor.cell, s)) {
        const ColorCell quad{{float(shape.left() * s), float(heightPx - shape.bottom() * s)},
                             {float(shape.width() * s), float(shape.height() * s)},
                             toGpuColor(cursor.caretColor)};
        const auto vertices = quadVertices(quad);
        out.colorVertices.insert(out.colorVertices.end(), vertices.begin(), vertices.end());
    }
    if (!cursor.focused || !isBlockCaret(cursor.style) || cursor.text.isEmpty() || !context.fonts)
        return out;
    std::vector<TextCell> gray;
    std::vector<TextCell> colour;
    const QPointF origin(cursor.cell.left(), cursor.cell.bottom() - context.fonts->baselineOffset());
    appendTextGlyphs(cursor.text, cursor.face, origin, cursor.cell, cursor.textColor, context, glyphs, gray, colour);
    for (const TextCell& cell : gray) {
        const auto vertices = quadVertices(cell);
        out.glyphVerticesGray.insert(out.glyphVerticesGray.end(), vertices.begin(), vertices.end());
    }
    for (const TextCell& cell : colour) {
        const auto vertices = quadVertices(cell);
        out.glyphVerticesColor.insert(out.glyphVerticesColor.end(), vertices.begin(), vertices.end());
    }
    return out;
}

} // namespace corvel
