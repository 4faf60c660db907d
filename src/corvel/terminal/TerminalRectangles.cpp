// Rectangular-area commands: fill (DECFRA), erase (DECERA), selective erase
// (DECSERA), copy (DECCRA), column insertion (DECIC) and the rectangle
// reader they share with the checksum report.

#include <algorithm>
#include <vector>

#include "corvel/base/Diagnostics.h"
#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

std::optional<Terminal::Rectangle> Terminal::getRectangleFromRequest(std::span<const int64_t> pars)
{
    const size_t k = pars.size();
    int64_t top = k >= 1 ? std::max<int64_t>(pars[0], 1) : 1;
    int64_t left = k >= 2 ? std::max<int64_t>(pars[1], 1) : 1;
    int64_t bottom = k >= 3 && pars[2] > 0 ? pars[2] : rows;
    int64_t right = k >= 4 && pars[3] > 0 ? pars[3] : cols;
    bottom = std::min<int64_t>(bottom, rows);
    right = std::min<int64_t>(right, cols);
    if (modes_.originMode) {
        const Buffer& b = *buffer_;
        top += b.scrollTop();
        bottom += b.scrollTop();
        left += b.marginLeft;
        right += b.marginLeft;
    }
    if (bottom < top || right < left)
        return std::nullopt;
    auto row = [this](int64_t v) { return static_cast<int>(std::min<int64_t>(v - 1, rows - 1)); };
    auto col = [this](int64_t v) { return static_cast<int>(std::min<int64_t>(v - 1, cols - 1)); };
    return Rectangle{row(top), col(left), row(bottom), col(right)};
}

namespace {

std::span<const int64_t> after(const SequenceParams& pars, size_t first)
{
    auto values = pars.values();
    return first < values.size() ? values.subspan(first) : std::span<const int64_t>();
}

template <typename Edit> void forEachCell(Buffer& b, const Terminal::Rectangle& r, Edit&& edit)
{
    for (int row = r.top; row <= r.bottom; ++row) {
        BufferLine& line = b.lines()[b.yBase() + row];
        for (int col = r.left; col <= r.right; ++col) {
            CharData cell = line[col];
            edit(cell);
            line.set(col, cell);
        }
    }
}

} // namespace

// DECFRA with "$"; anything else only logs.
void Terminal::csiX(const SequenceParams& pars, const Intermediates& collect)
{
    if (!(collect == "$")) {
        log("Not implemented CSI x with collect: collect=" + decimalList(collect.view())
            + " and pars=" + decimalList(pars));
        return;
    }
    const auto rect = getRectangleFromRequest(after(pars, 1));
    if (!rect)
        return;
    const int64_t requested = pars[0];
    int32_t code = 32;
    if (requested >= 0 && requested <= 0x10FFFF && !(requested >= 0xD800 && requested <= 0xDFFF))
        code = static_cast<int32_t>(requested);
    if (code > 0xFFFF) {
        const char32_t scalar = static_cast<char32_t>(code);
        code = graphemes_.code(std::u32string_view(&scalar, 1));
    }
    const CharData fill(curAttr, code, 1);
    forEachCell(*buffer_, *rect, [&fill](CharData& cell) { cell = fill; });
    updateRange(rect->top);
    updateRange(rect->bottom);
}

// DECERA with "$"; DECELR only announces itself; the rest does nothing.
void Terminal::csiZ(const SequenceParams& pars, const Intermediates& collect)
{
    if (collect == "$")
        cmdDECERA(pars);
    else if (collect == "'")
        writeDebugDiagnostic(diagnosticLimiter, "TODO: Enable Locator Reporting (DECELR)");
}

void Terminal::cmdDECERA(const SequenceParams& pars)
{
    const auto rect = getRectangleFromRequest(pars.values());
    if (!rect)
        return;
    const CharData space(curAttr, 32, 1);
    forEachCell(*buffer_, *rect, [&space](CharData& cell) { cell = space; });
    updateRange(rect->top);
    updateRange(rect->bottom);
}

// DECSERA with "$".
void Terminal::csiOpenBrace(const SequenceParams& pars, const Intermediates& collect)
{
    if (collect == "$")
        cmdSelectiveEraseRectangularArea(pars);
    else
        log("CSI # { not implemented - XTPUSHSGR with " + decimalList(pars));
}

void Terminal::cmdSelectiveEraseRectangularArea(const SequenceParams& pars)
{
    const auto rect = getRectangleFromRequest(pars.values());
    if (!rect)
        return;
    // No cell is protected, so every cell of the rectangle loses its character.
    forEachCell(*buffer_, *rect, [](CharData& cell) { cell.setValue(32, 1); });
    updateRange(rect->top);
    updateRange(rect->bottom);
}

// DECIC with "'".
void Terminal::csiCloseBrace(const SequenceParams& pars, const Intermediates& collect)
{
    if (collect == "'")
        cmdInsertColumns(pars);
    else
        log("CSI # } not implemented- XTPOPSGR with " + decimalList(pars));
}

// DECCRA with "$": overlapping areas copy as if through a side buffer.
void Terminal::csiCopyRectangularArea(const SequenceParams& pars, const Intermediates& collect)
{
    if (!(collect == "$"))
        return;
    auto page = [&pars](int index) { return std::max<int64_t>(pars.at(index, 0), 1); };
    if (page(4) != 1 || page(7) != 1)
        return;
    auto values = pars.values();
    const auto source = getRectangleFromRequest(values.first(std::min<size_t>(values.size(), 4)));
    if (!source)
        return;
    Buffer& b = *buffer_;
    // The destination counts from the origin as the source does.
    const int64_t rowOffset = modes_.originMode ? b.scrollTop() : 0;
    const int64_t colOffset = modes_.originMode ? b.marginLeft : 0;
    const int destRow = static_cast<int>(std::min<int64_t>(std::max<int64_t>(pars.at(5, 0), 1) + rowOffset, rows)) - 1;
    const int destCol = static_cast<int>(std::min<int64_t>(std::max<int64_t>(pars.at(6, 0), 1) + colOffset, cols)) - 1;
    const int width = std::min(source->right - source->left + 1, cols - destCol);
    const int height = std::min(source->bottom - source->top + 1, rows - destRow);
    if (width <= 0 || height <= 0)
        return;
    // One block move per row. Rows go bottom up when the area moves down, so
    // an overlapping source row is read before it is written; within a row
    // the move keeps overlapping cells whole.
    const bool downward = destRow > source->top;
    for (int k = 0; k < height; ++k) {
        const int row = downward ? height - 1 - k : k;
        b.lines()[b.yBase() + destRow + row].copyFrom(
            b.lines()[b.yBase() + source->top + row], source->left, destCol, width);
    }
    updateRange(destRow);
    updateRange(destRow + height - 1);
}

} // namespace corvel
