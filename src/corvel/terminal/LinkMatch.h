#pragma once

#include <string>
#include <vector>

namespace corvel {

// A link found at a cell: its text (the URI of an explicit link, the matched
// text of an implicit one), the row asked about with the columns the link
// covers there, and the columns it covers on every row it spans.
struct LinkMatch {
    // A half-open range of columns.
    struct ColumnRange {
        int lowerBound = 0;
        int upperBound = 0;

        bool isEmpty() const { return upperBound <= lowerBound; }
        bool contains(int col) const { return col >= lowerBound && col < upperBound; }
        friend bool operator==(const ColumnRange&, const ColumnRange&) = default;
    };

    struct RowRange {
        int row = 0; // absolute line index
        ColumnRange range;
        friend bool operator==(const RowRange&, const RowRange&) = default;
    };

    std::string text;
    int row = 0; // absolute line index of the position asked about
    ColumnRange range;
    bool isExplicit = false;
    // One entry per row the link covers, in increasing row order.
    std::vector<RowRange> rowRanges;

    friend bool operator==(const LinkMatch&, const LinkMatch&) = default;
};

} // namespace corvel
