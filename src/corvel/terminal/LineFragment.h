#pragma once

#include <optional>
#include <string>

namespace corvel {

// A piece of one visual line of selected text: the text of a row between two
// columns, or the line break that ends a row ("\n" with location -1).
struct LineFragment {
    std::optional<std::string> text;
    // The absolute ring index of the row the text comes from; for a line
    // break, the row it follows.
    int line = 0;
    // The first column of the text; -1 for a line break.
    int location = 0;
    // The number of characters (cells' clusters) in text.
    int length = 0;

    static LineFragment lineBreak(int afterLine) { return {"\n", afterLine, -1, 1}; }

    friend bool operator==(const LineFragment&, const LineFragment&) = default;
};

} // namespace corvel
