#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "corvel/images/KittyPlaceholderDecoder.h"
#include "corvel/model/BufferLine.h"
#include "corvel/qt/BlockElementMapping.h"
#include "corvel/qt/BoxDrawingRenderer.h"
#include "corvel/qt/TextAttributes.h"

namespace corvel {

// Cells of one segment that share their attributes. Each entry of text is
// one cell's glyph: a Unicode scalar, or clusterBase + i for the grapheme
// cluster clusters[i], which is laid out on its own.
struct ViewLineRun {
    static constexpr char32_t clusterBase = 0x110000;

    TextAttributes attributes;
    std::u32string text;
    std::vector<std::u32string> clusters;

    int glyphCount() const { return static_cast<int>(text.size()); }
};

// A stretch of cells of equal width (1 or 2) starting at `column`.
struct ViewLineSegment {
    int column = 0;
    int columnWidth = 1;
    // Pieces appended: runs of text, or one space per pixel-drawn cell.
    int characterCount = 0;
    std::vector<ViewLineRun> runs;

    int glyphCount() const
    {
        int n = 0;
        for (const ViewLineRun& run : runs)
            n += run.glyphCount();
        return n;
    }
};

// One screen row as the view draws it.
struct ViewLineInfo {
    std::vector<ViewLineSegment> segments;
    std::optional<BufferLine::ImageList> images;
    // Cells that show a piece of a Kitty picture instead of their character.
    std::vector<KittyPlaceholderCell> placeholders;
    std::vector<BlockElementRenderItem> blockElements;
    std::vector<BoxDrawingRenderItem> boxDrawings;
};

// Calls fill(x, width, colour) for each run of line whose background (the
// selection's where it is selected) is not the view's own, x and width in
// view units for cells of cellWidth. The background of a run that reaches
// the last of cols columns goes on to the view's right edge at viewWidth, so
// a program's coloured line leaves no seam there; the selection ends at the
// last cell's edge, as a selection ends anywhere else, and the run's own
// background fills the rest.
template <typename Fill>
void forEachRunBackground(const ViewLineInfo& line, double cellWidth, int cols, double viewWidth,
                          const QColor& nativeBackground, Fill&& fill)
{
    const auto shows = [&](const QColor& color) { return color.isValid() && color != nativeBackground; };
    for (const ViewLineSegment& segment : line.segments) {
        int before = 0;
        for (const ViewLineRun& run : segment.runs) {
            // Columns advance by the cells a run covers.
            const int start = segment.column + before * segment.columnWidth;
            const int end = start + run.glyphCount() * segment.columnWidth;
            before += run.glyphCount();
            if (end <= start)
                continue;
            const double x = cellWidth * start;
            const std::optional<QColor>& selected = run.attributes.selectionBackground;
            const QColor& color = selected ? *selected : run.attributes.background;
            if (end < cols) {
                if (shows(color))
                    fill(x, cellWidth * (end - start), color);
                continue;
            }
            if (!selected) {
                if (shows(color))
                    fill(x, std::max(0.0, viewWidth - x), color);
                continue;
            }
            const double cellsEnd = cellWidth * end;
            if (shows(*selected))
                fill(x, cellsEnd - x, *selected);
            if (shows(run.attributes.background) && viewWidth > cellsEnd)
                fill(cellsEnd, viewWidth - cellsEnd, run.attributes.background);
        }
    }
}

} // namespace corvel
