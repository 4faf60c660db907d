#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace corvel::UnicodeUtil {

// One inclusive range of code points.
struct LH {
    uint32_t lo;
    uint32_t hi;
};

// Display width of a scalar: -1 for a control character (C0, DEL, C1),
// 0 for one that takes no column of its own (NUL, combining marks, line and
// paragraph separators, format characters other than the soft hyphen,
// skin-tone modifiers, Hangul medial vowels and final consonants),
// 2 for wide and fullwidth characters and the regional indicators, else 1.
int columnWidth(char32_t rune);

// 1 when rune lies in one of table[0..max] (sorted, non-overlapping,
// inclusive ranges), else 0. An empty table or a negative max finds nothing;
// a max past the end searches the whole table.
int bisearch(uint32_t rune, std::span<const LH> table, int max);

namespace detail {
constexpr std::array<uint8_t, 256> makeFirstByteTable()
{
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        uint8_t e = 0xF1;
        if (b <= 0x7F)
            e = 0xF0;
        else if (b <= 0xC1)
            e = 0xF1;
        else if (b <= 0xDF)
            e = 0x02;
        else if (b == 0xE0)
            e = 0x13;
        else if (b <= 0xEC)
            e = 0x03;
        else if (b == 0xED)
            e = 0x23;
        else if (b <= 0xEF)
            e = 0x03;
        else if (b == 0xF0)
            e = 0x34;
        else if (b <= 0xF3)
            e = 0x04;
        else if (b == 0xF4)
            e = 0x44;
        t[b] = e;
    }
    return t;
}
} // namespace detail

// How a byte behaves as the first byte of a UTF-8 sequence. The low nibble is
// the sequence length (1..4), the high nibble the class of the allowed second
// byte: 0 = 80..BF, 1 = A0..BF, 2 = 80..9F, 3 = 90..BF, 4 = 80..8F.
// Two values are markers: firstAscii for a one-byte ASCII character and
// firstInvalid for a byte that cannot start a sequence (consumed alone).
inline constexpr uint8_t firstAscii = 0xF0;
inline constexpr uint8_t firstInvalid = 0xF1;
inline constexpr std::array<uint8_t, 256> first = detail::makeFirstByteTable();

} // namespace corvel::UnicodeUtil
