#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvel/base/Position.h"
#include "corvel/model/Buffer.h"
#include "corvel/terminal/GraphemeTable.h"
#include "corvel/terminal/Line.h"
#include "corvel/terminal/TextEncoding.h"

namespace corvel {

// Reads one screen back as text: a selection between two positions, one row
// between two columns, or every line as encoded bytes. Rows are absolute
// ring indexes. Reading changes nothing but may create the line of an empty
// ring slot.
class BufferTextReader {
public:
    BufferTextReader(Buffer& buffer, const GraphemeTable& graphemes) : buffer_(buffer), graphemes_(graphemes) {}

    // The text from start up to end (exclusive), in either order; "" for an
    // empty selection or a start row outside the ring. Rows joined by
    // auto-wrap come out as one line; other rows end with "\n".
    std::string getText(Position start, Position end);

    // The visual lines between two ordered positions. Blank rows between
    // rows with content keep their line breaks; blank rows after the last
    // row with content are left out.
    std::vector<Line> getSelectedLines(Position start, Position end);

    // The text of one row from column start up to end (-1: the whole row),
    // cut at the last character. The column after a wide character adds
    // nothing; empty cells read as spaces.
    std::string translateBufferLineToString(int line, int start, int end);

    // Every line of the ring, from column 0 to its last character, each
    // followed by a line feed. Empty cells (wide-character placeholders
    // included) are written as U+0000; clusters are written whole.
    std::vector<uint8_t> getBufferAsData(TextEncoding encoding);

private:
    struct RowText {
        std::string text;
        int length = 0; // characters
    };
    RowText rowText(int line, int start, int end);
    bool isBlankRow(int line) { return !buffer_.lines()[line].hasAnyContent(); }
    // Adds the text of a cell (a space for a code that names nothing).
    void appendCell(std::string& out, const CharData& cell) const;

    Buffer& buffer_;
    const GraphemeTable& graphemes_;
};

} // namespace corvel
