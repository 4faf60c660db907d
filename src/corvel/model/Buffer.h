#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "corvel/base/Position.h"
#include "corvel/model/Attribute.h"
#include "corvel/model/BufferLine.h"
#include "corvel/model/CharData.h"
#include "corvel/model/CircularBufferLineList.h"
#include "corvel/model/TerminalImage.h"
#include "corvel/model/TinyAtom.h"

namespace corvel {

class CharSet;

// One screen of a terminal (the normal screen with its scroll-back, the
// alternate screen, or a snapshot): the line ring plus cursor, viewport,
// scroll region, margins, tab stops, saved cursor state and the copies of the
// terminal modes that printing needs.
//
// Screen row y shows the ring's line yBase() + y; yDisp() is the ring index
// of the first line in the view. The ring holds rows() lines plus the
// scroll-back. A screen is tied to the callbacks it installs on its ring, so
// it is neither copied nor moved.
class Buffer {
public:
    // Where the last character was printed: its ring index and column, and the
    // screen size at the time.
    struct LastBufferStorage {
        int y = 0;
        int x = 0;
        int cols = 0;
        int rows = 0;
    };

    Buffer(int cols, int rows, int tabStopWidth, std::optional<int> scrollback);
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    // --- Lines and size
    CircularBufferLineList& lines() { return lines_; }
    int cols() const { return cols_; }
    int rows() const { return rows_; }
    std::optional<int> scrollback() const { return scrollback_; }
    bool hasScrollback() const { return scrollback_.has_value(); }
    bool isReflowEnabled() const { return hasScrollback(); }
    // Ring capacity for a number of rows: rows plus the scroll-back.
    int getCorrectBufferLength(int rows) const;

    // --- Cursor and viewport; negative values written are ignored.
    // The cursor column never passes the last column. Printing into the
    // last column of the line (the right margin, when the cursor is inside
    // the margins) leaves the cursor on that column with a pending wrap:
    // the next character printed goes to the start of the next line first.
    // Moving the cursor cancels the pending wrap.
    int x() const { return x_; }
    void setX(int value)
    {
        if (value >= 0) {
            x_ = value;
            pendingWrap_ = false;
        }
    }
    int y() const { return y_; }
    void setY(int value)
    {
        if (value >= 0) {
            y_ = value;
            pendingWrap_ = false;
        }
    }
    bool pendingWrap() const { return pendingWrap_; }
    void setPendingWrap(bool value) { pendingWrap_ = value; }
    int yDisp() const { return yDisp_; }
    void setYDisp(int value)
    {
        if (value >= 0)
            yDisp_ = value;
    }
    int yBase() const { return yBase_; }
    void setYBase(int value) { yBase_ = value; }
    int scrollTop() const { return scrollTop_; }
    void setScrollTop(int value)
    {
        if (value >= 0)
            scrollTop_ = value;
    }
    int scrollBottom() const { return scrollBottom_; }
    void setScrollBottom(int value)
    {
        if (value >= 0)
            scrollBottom_ = value;
    }
    bool isCursorInViewPort() const;

    // Lines the terminal's scroll dropped from the top of a full ring.
    int linesTop = 0;
    // The left and right margins; the whole width unless the terminal's
    // left-and-right-margin mode narrowed them.
    int marginLeft = 0;
    int marginRight;
    std::vector<bool> tabStops;
    // Returns the margins to the whole width.
    void resetMargins()
    {
        marginLeft = 0;
        marginRight = cols_ - 1;
    }

    // --- Saved cursor state (DECSC): the position with its pending wrap,
    // the rendition, the character-set slots with the one in use, and
    // origin mode.
    int savedX = 0;
    int savedY = 0;
    bool savedPendingWrap = false;
    Attribute savedAttr;
    std::array<const CharSet*, 4> savedCharsets{};
    uint8_t savedGLevel = 0;
    bool savedOriginMode = false;

    // Fill attribute for the cells that insert-mode printing opens and for
    // the column after a wide character.
    Attribute curAttr = Attribute::empty;
    // Copies of the terminal's insert (IRM), left-and-right-margin (DECLRMM)
    // and auto-wrap (DECAWM) modes.
    bool insertMode = false;
    bool marginMode = false;
    bool wraparound = false;
    // The hyperlink handle printing stamps on every cell it writes (0: none).
    TinyAtom printPayload{};

    // Scrolls the region up one line when printing passes its bottom row;
    // the argument tells whether the new bottom line continues the one above.
    // The terminal replaces it right after creating the screen.
    std::function<void(bool isWrapped)> scroll;

    LastBufferStorage lastBufferStorage;

    // --- Cells
    // The cell at a position whose row counts from yDisp(); CharData::Null
    // for a column outside the line.
    const CharData& getChar(Position at);
    // The cell at a position whose row is a ring index.
    const CharData& getCharAtBufferRelative(Position at);
    // A new line of cols() empty cells in attribute.
    std::shared_ptr<BufferLine> getBlankLine(const Attribute& attribute, bool isWrapped = false) const;
    // A space in attribute.
    static CharData getNullCell(const Attribute& attribute = Attribute::empty) { return CharData(attribute, 32, 1); }

    // --- Tab stops
    // index -1 clears the table and sets a stop every tabStopWidth columns;
    // otherwise regular stops are added from the stop at or before index on.
    void setupTabStops(int index, int tabStopWidth);
    // The next stop after index (the cursor column for -1), up to the right
    // margin with marginMode, else the last column.
    int nextTabStop(bool marginMode, int index = -1) const;
    // The stop before index (the cursor column for -1), 0 when none.
    int previousTabStop(int index = -1) const;
    void tabSet(int pos);
    void tabClear(int pos);

    // --- Whole-screen operations
    // Homes everything and replaces the ring by an empty one for the caller
    // to fill; tab stops, margins, saved state and modes stay.
    void clear();
    // Resets the saved cursor state and the margins.
    void softReset();
    // Fills an empty ring with rows() empty lines (the default attribute
    // when none is given).
    void fillViewportRows(std::optional<Attribute> attribute = std::nullopt);
    // Changes the scroll-back length; the oldest lines go when it shrinks.
    void changeHistorySize(std::optional<int> scrollback);
    void resize(int newCols, int newRows);

    // --- Rewrapping (normal screen)
    // The cells a line adds to its logical line at a width: the line's
    // trimmed length when no line of the group follows (next is null), else
    // the width, or one less when the last column was left blank because the
    // wide character that starts the next line did not fit.
    static int getWrappedLineTrimmedLength(const BufferLine& line, const BufferLine* next, int width);
    // The lengths of the lines a logical line becomes when rewrapped from
    // oldCols to the narrower newCols; a line that would end on the first
    // half of a wide character stops one cell short.
    static std::vector<int> getNewLineLengths(const std::vector<std::shared_ptr<BufferLine>>& wrappedLines, int oldCols,
                                              int newCols);

    // --- Images
    bool hasAnyImages() const { return linesWithImagesCount_ > 0; }
    int linesWithImagesCount() const { return linesWithImagesCount_; }
    void attachImage(std::shared_ptr<TerminalImage> image, int lineIndex);
    void clearImagesFromLine(int lineIndex);
    void recalculateLinesWithImagesCount();
    // For a copy of another screen whose lines hold the same images.
    void setLinesWithImagesCount(int count) { linesWithImagesCount_ = count; }

    // --- Printing
    // Prints one cell of width 1 or 2 at the cursor, wrapping first when a
    // wrap is pending or the character does not fit; printing into the last
    // column leaves a pending wrap (with auto-wrap) or the cursor on that
    // column (without, so the next character overwrites it).
    void insertCharacter(const CharData& character);
    // Prints a run of ASCII bytes in attribute by the same rules; returns
    // how many were printed: all of them, or none in insert mode.
    int insertAsciiRun(std::span<const uint8_t> run, const Attribute& attribute);

private:
    void installRingHooks();
    // The last column printing may use: the right margin for a cursor
    // inside it, else the screen's last column.
    int rightLimit() const { return marginMode && x_ <= marginRight ? marginRight : cols_ - 1; }
    // Moves the cursor to the start of the next row, scrolling at the bottom
    // of the region, and marks that row as continuing the one above. Below
    // the region the cursor moves down to the last row and never scrolls.
    void wrapToNextLine();
    // Puts the cursor after a character printed up to column last: on the
    // next column, or on the limit with a pending wrap when it is passed.
    void advancePast(int last, int limit)
    {
        if (last >= limit) {
            x_ = limit;
            pendingWrap_ = wraparound;
        } else {
            x_ = last + 1;
        }
    }
    int insertAsciiRunSlow(std::span<const uint8_t> run, const Attribute& attribute);
    // Gives count cells from col on the printPayload handle.
    void stampPayload(BufferLine& line, int col, int count);
    // Visits every line the ring holds, used or not.
    void resizeStoredLines(int newCols);
    // New continuation lines of one logical line and the ring index they go
    // to, counting the lines inserted below them already.
    struct InsertionSet {
        std::vector<std::shared_ptr<BufferLine>> lines;
        int start = 0;
    };
    // Rewraps the lines of a screen with scroll-back to a new width.
    void reflowWider(int oldCols, int newCols, int newRows);
    void reflowNarrower(int oldCols, int newCols, int newRows);
    // Rejoins every wrapped group but the cursor's in place; returns the
    // (first ring index, count) runs of lines left empty, in ascending order.
    std::vector<std::pair<int, int>> getLinesToRemove(int oldCols, int newCols, int bufferAbsoluteY);
    // Rebuilds the ring with the insertions in one pass from the bottom; the
    // oldest lines fall off a full ring.
    void rearrange(std::vector<InsertionSet> insertions, int insertedTotal);

    CircularBufferLineList lines_;
    int cols_;
    int rows_;
    std::optional<int> scrollback_;
    int x_ = 0;
    int y_ = 0;
    bool pendingWrap_ = false;
    int yDisp_ = 0;
    int yBase_ = 0;
    int scrollTop_ = 0;
    int scrollBottom_;
    int linesWithImagesCount_ = 0;
};

} // namespace corvel
