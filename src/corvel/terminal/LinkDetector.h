#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvel/base/Position.h"
#include "corvel/model/Buffer.h"
#include "corvel/terminal/GraphemeTable.h"
#include "corvel/terminal/LinkLookupLocation.h"
#include "corvel/terminal/LinkMatch.h"

namespace corvel {

// Finds the link at a cell of one screen. Explicit links are runs of cells
// carrying the same OSC 8 payload on one row. Implicit links are URLs and
// paths that ImplicitLinkPattern finds in the text of the logical line around
// the cell: rows joined by auto-wrap, or, for rows without wrap flags, rows
// whose seam a link runs across (a program that wrapped a long URL itself).
//
// Only reads the screen. The text scanned around a position is bounded
// (scanCells on either side of it), so a huge wrapped line costs no more
// than a screenful.
class LinkDetector {
public:
    // Cells scanned on each side of the asked row, rounded to whole rows.
    static constexpr int scanCells = 4096;
    // Columns looked at on each side of a seam between unwrapped rows.
    static constexpr int seamColumns = 96;

    LinkDetector(Buffer& buffer, int cols, const GraphemeTable& graphemes)
        : buffer_(buffer), lines_(buffer.lines()), cols_(cols), graphemes_(graphemes)
    {
    }

    // The cell a location names, as a column and an absolute row, clamped
    // into the screen; none for a screen without lines.
    std::optional<Position> resolveLinkLocation(const LinkLookupLocation& location) const;
    // The OSC 8 link over the cell, on its row only.
    std::optional<LinkMatch> explicitLinkMatch(Position at) const;
    // The URL or path over the cell, possibly spanning rows.
    std::optional<LinkMatch> implicitLinkMatch(Position at) const;

    // The OSC 8 payload of the cell (the right half of a wide character
    // takes its left half's), with the column limited to the line.
    std::optional<std::string> payloadString(Position at) const;

    // The URI of a stored OSC 8 payload ("params;uri"): the text after its
    // first ";", none without one.
    static std::optional<std::string> parseHyperlinkPayload(std::string_view payload);

private:
    struct LinkRowEdgeInfo {
        int firstCol = 0;
        std::u32string firstCharacter;
        int lastCol = 0;
        std::u32string lastCharacter;
    };
    // Where one character of a rebuilt logical line came from.
    struct ImplicitCellRef {
        int row = 0;
        int col = 0;
        int width = 1;
    };
    struct ImplicitLineMap {
        std::string text;
        std::vector<ImplicitCellRef> cells;
        std::vector<size_t> offsets; // where each cell's text starts in text
        int targetRow = 0;
        int targetCol = 0;
    };

    bool hasRow(int row) const { return row >= 0 && row < lines_.count(); }
    int rowsScanned() const { return std::max(1, scanCells / std::max(cols_, 1)); }
    // The cell's character as the terminal shows it.
    std::u32string character(const CharData& cell) const { return graphemes_.character(cell.code); }
    // A cell's payload handle; the right half of a wide character takes the
    // handle of its left half.
    static uint16_t cellPayloadCode(const BufferLine& line, int col);

    std::optional<uint16_t> payloadCode(Position at) const;
    std::optional<ImplicitLineMap> buildImplicitLineMap(Position at) const;
    bool isImplicitContinuationRow(int row, int startRow) const;
    std::optional<std::pair<int, int>> heuristicImplicitGroup(int row) const;
    bool canJoinImplicitRows(int upper, int lower) const;
    std::optional<LinkRowEdgeInfo> linkRowEdgeInfo(int row) const;
    bool seamContainsImplicitLink(int upper, int lower, int upperLastCol, int lowerFirstCol) const;
    std::string implicitLineSegmentText(const BufferLine& line, int startCol, int endCol) const;

    Buffer& buffer_;
    CircularBufferLineList& lines_;
    int cols_;
    const GraphemeTable& graphemes_;
};

} // namespace corvel
