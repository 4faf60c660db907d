#pragma once

#include <ostream>
#include <string>

namespace corvel {

// A column-and-row pair. Whether the row counts from the top of the screen or
// is an absolute line index in a screen's ring is up to the code using it.
struct Position {
    enum class compareResult { before, after, equal };

    int col = 0;
    int row = 0;

    constexpr Position() = default;
    constexpr Position(int col, int row) : col(col), row(row) {}

    friend constexpr bool operator==(const Position&, const Position&) = default;

    // Where a lies relative to b: rows first, then columns.
    static constexpr compareResult compare(const Position& a, const Position& b)
    {
        if (a.row < b.row)
            return compareResult::before;
        if (a.row > b.row)
            return compareResult::after;
        if (a.col < b.col)
            return compareResult::before;
        if (a.col > b.col)
            return compareResult::after;
        return compareResult::equal;
    }

    std::string debugDescription() const { return "col=" + std::to_string(col) + " row=" + std::to_string(row); }

    friend std::ostream& operator<<(std::ostream& out, const Position& p) { return out << p.debugDescription(); }
};

} // namespace corvel
