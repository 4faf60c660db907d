#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "corvel/model/BufferLine.h"
#include "corvel/model/CircularBufferLineList.h"

namespace corvel::testing {

// A cell showing an ASCII character in the default attribute.
inline CharData cellOf(char c, int8_t width = 1) { return CharData(Attribute(), static_cast<uint8_t>(c), width); }

// A line whose cells are the characters of text, padded with null cells to
// cols (the text's length when cols is -1).
inline std::shared_ptr<BufferLine> lineOf(std::string_view text, int cols = -1)
{
    auto line = std::make_shared<BufferLine>(cols < 0 ? static_cast<int>(text.size()) : cols);
    for (size_t i = 0; i < text.size(); ++i)
        line->set(static_cast<int>(i), cellOf(text[i]));
    return line;
}

// The cells of a line as ASCII, "." for an empty cell.
inline std::string cellsOf(const BufferLine& line)
{
    std::string out;
    for (const CharData& c : line.cells())
        out += c.code == 0 ? '.' : static_cast<char>(c.code);
    return out;
}

// The first character of every line of a ring, oldest first.
inline std::string firstCharacters(CircularBufferLineList& ring)
{
    std::string out;
    for (int i = 0; i < ring.count(); ++i) {
        const CharData& c = ring[i][0];
        out += c.code == 0 ? '.' : static_cast<char>(c.code);
    }
    return out;
}

} // namespace corvel::testing
