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
// A cluster is stored as its last scalar and the code of the cluster before
// it, so adding a mark to a cell costs one lookup and one small entry, not a
// copy of the whole cluster, and the grapheme-break state is kept with the
// entry so the break test never walks the cluster again.
//
// The table is bounded, so hostile output cannot grow it without end: a
// cluster holds at most maxClusterScalars scalars (further marks are
// dropped), and once the table holds maxEntries entries a new cluster is
// stored as its first scalar instead (or U+FFFD when that scalar is not in
// the BMP).
class GraphemeTable {
public:
    static constexpr int32_t firstCode = 0x400001;
    static constexpr size_t maxEntries = 1u << 18;
    static constexpr size_t maxClusterScalars = 32;

    // The cell code of a character (one extended grapheme cluster); scalars
    // past maxClusterScalars are dropped.
    int32_t code(std::u32string_view cluster);

    // True when `next` belongs to the same grapheme cluster as the character
    // of `code`.
    bool extends(int32_t code, char32_t next) const;

    // The code of the character of `code` followed by `next`, or 0 when the
    // cluster is already maxClusterScalars long or the table is full.
    int32_t append(int32_t code, char32_t next);

    // The character of a cell code; a space for a code that names nothing.
    std::u32string character(int32_t code) const;

    // Whether a code names a table entry.
    bool contains(int32_t code) const
    {
        return code >= firstCode && static_cast<size_t>(code - firstCode) < entries_.size();
    }

    // The last scalar of a code's character (a space for a code that names
    // nothing) and the number of its scalars.
    char32_t lastScalar(int32_t code) const;
    size_t length(int32_t code) const;

    int32_t lastCharIndex() const { return firstCode + static_cast<int32_t>(entries_.size()); }
    size_t size() const { return entries_.size(); }

private:
    static constexpr int32_t noParent = -1;
    struct Entry {
        int32_t parent;
        char32_t scalar;
        // utf8proc's grapheme-break state after this entry's last scalar.
        int32_t breakState;
        uint8_t length;
    };
    static uint64_t key(int32_t parent, char32_t scalar)
    {
        return (uint64_t{static_cast<uint32_t>(parent)} << 21) | scalar;
    }
    // The entry for `parent` followed by `scalar`, made when missing; 0 when
    // the cluster or the table is full.
    int32_t child(int32_t parent, char32_t scalar);

    std::vector<Entry> entries_;
    std::unordered_map<uint64_t, int32_t> children_;
};

// A cluster written as UTF-8.
std::string toUtf8(std::u32string_view text);

} // namespace corvel
