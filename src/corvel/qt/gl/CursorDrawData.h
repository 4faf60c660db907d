#pragma once

#include <optional>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QString>

#include "corvel/qt/TextAttributes.h"
#include "corvel/qt/gl/GpuRecords.h"
#include "corvel/qt/gl/RowDrawData.h"
#include "corvel/terminal/CursorStyle.h"

namespace corvel {

class TerminalView;

// What the cursor shows, as the view's caret would show it.
struct CursorState {
    CursorStyle style = CursorStyle::steadyBlock;
    bool focused = true;
    // The caret's cell in logical pixels, y down (one cell wide also on a
    // double-width line).
    QRectF cell;
    QColor caretColor;
    QColor textColor;
    // The character under a block caret; empty on a line without cells.
    QString text;
    FontFace face = FontFace::normal;
};

struct CursorDrawData {
    std::vector<ColorVertex> colorVertices;
    std::vector<GlyphVertex> glyphVerticesGray;
    std::vector<GlyphVertex> glyphVerticesColor;

    bool empty() const { return colorVertices.empty() && glyphVerticesGray.empty() && glyphVerticesColor.empty(); }
};

// The cursor of the view's shown screen; nothing while it is hidden, off
// the rows firstRow..lastRow (absolute) or in the off phase of a blink.
std::optional<CursorState> cursorState(TerminalView& view, int firstRow, int lastRow, bool blinkOn);

// The caret's shapes in its colour, then the character under a block caret
// cut to the cell.
CursorDrawData buildCursorDrawData(const CursorState& cursor, const RowContext& context, GlyphStore& glyphs);

} // namespace corvel
