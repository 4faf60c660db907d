#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvel {

// Gives every character that does not fit a cell as one BMP scalar (a
// supplementary scalar or a cluster of several scalars) a 32-bit cell code of
// its own, from firstCode upward, and turns codes back into characters. The
// same cluster keeps its code for the table's life.
//
// The table is bounded: once it holds maxEntries clusters, a new cluster is
// stored as its first scalar instead (or U+FFFD when that scalar is not in the
// BMP), so hostile output cannot grow it without end.
class GraphemeTable {
public:
    static constexpr int32_t firstCode = 0x400001;
    static constexpr size_t maxEntries = 1u << 18;

    // The cell code of a character (one extended grapheme cluster).
    int32_t code(std::u32string_view cluster);

    // The character of a cell code; a space for a code that names nothing.
    std::u32string character(int32_t code) const;

    // The cluster stored under a table code, or null when there is none.
    const std::u32string* lookup(int32_t code) const
    {
        if (code < firstCode)
            return nullptr;
        const auto index = static_cast<size_t>(code - firstCode);
        return index < clusters_.size() ? &clusters_[index] : nullptr;
    }

    int32_t lastCharIndex() const { return firstCode + static_cast<int32_t>(clusters_.size()); }
    size_t size() const { return clusters_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::u32string_view s) const { return std::hash<std::u32string_view>{}(s); }
    };
    std::unordered_map<std::u32string, int32_t, Hash, std::equal_to<>> charToIndex_;
    // The same codes for clusters of one supplementary scalar, found without
    // hashing a string.
    std::unordered_map<char32_t, int32_t> singleScalars_;
    std::vector<std::u32string> clusters_;
};

// A cluster written as UTF-8.
std::string toUtf8(std::u32string_view text);

} // namespace corvel
