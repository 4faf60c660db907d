#include "corvel/base/UnicodeUtil.h"

#include <utf8proc.h>

#include <array>
#include <map>
#include <vector>

#include "corvel/base/UnicodeWidthData.h"

namespace corvel::UnicodeUtil {

namespace {

// The Emoji_Modifier property: the five skin-tone modifiers.
constexpr bool isEmojiModifier(uint32_t c) { return c >= 0x1F3FB && c <= 0x1F3FF; }

// What the general category alone decides: 0, or -1 when the other rules decide.
int widthFromCategory(uint32_t c)
{
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP: return 0;
    case UTF8PROC_CATEGORY_SK: return isEmojiModifier(c) ? 0 : -1;
    case UTF8PROC_CATEGORY_CF: return c == 0x00AD ? 1 : 0;
    default: return -1;
    }
}

// The width rules for anything that is not printable ASCII.
int computeWidth(uint32_t c)
{
    if (c == 0)
        return 0;
    if (c < 0x20)
        return -1;
    if (c < 0x7F)
        return 1;
    if (c < 0xA0)
        return -1;
    if (c > 0x10FFFF)
        return 1;

    if (int w = widthFromCategory(c); w >= 0)
        return w;

    if (c >= 0x1160 && c <= 0x11FF)
        return 0; // Hangul medial vowels and final consonants
    if (c >= 0xD7B0 && c <= 0xD7FF)
        return 0; // Hangul Jamo Extended-B
    if (c >= 0x1F1E6 && c <= 0x1F1FF)
        return 2; // regional indicators
    const auto& wide = UnicodeWidthData::eastAsianWide;
    if (bisearch(c, wide, static_cast<int>(wide.size()) - 1))
        return 2;
    return 1;
}

// The widths of the first two planes, where nearly all printed text lies,
// computed once: blocks of 256 code points, each distinct block stored once.
class PlaneWidths {
public:
    static constexpr uint32_t limit = 0x20000;

    PlaneWidths()
    {
        std::map<std::array<int8_t, blockSize>, uint32_t> seen;
        std::array<int8_t, blockSize> block;
        for (uint32_t b = 0; b < blockCount; ++b) {
            for (uint32_t k = 0; k < blockSize; ++k)
                block[k] = static_cast<int8_t>(computeWidth(b * blockSize + k));
            const auto [it, added] = seen.emplace(block, static_cast<uint32_t>(widths_.size()));
            if (added)
                widths_.insert(widths_.end(), block.begin(), block.end());
            offsets_[b] = it->second;
        }
    }

    int operator()(uint32_t c) const { return widths_[offsets_[c / blockSize] + c % blockSize]; }

private:
    static constexpr uint32_t blockSize = 256;
    static constexpr uint32_t blockCount = limit / blockSize;

    std::array<uint32_t, blockCount> offsets_{};
    std::vector<int8_t> widths_;
};

} // namespace

int columnWidth(char32_t rune)
{
    const uint32_t c = rune;
    if (c - 0x20 < 0x5F)
        return 1; // printable ASCII
    if (c < PlaneWidths::limit) {
        static const PlaneWidths planes;
        return planes(c);
    }
    return computeWidth(c);
}

int bisearch(uint32_t rune, std::span<const LH> table, int max)
{
    // Never read outside the table, whatever max says.
    if (table.empty() || max < 0)
        return 0;
    if (static_cast<size_t>(max) >= table.size())
        max = static_cast<int>(table.size()) - 1;
    if (rune < table[0].lo || rune > table[max].hi)
        return 0;
    int low = 0;
    int high = max;
    while (high >= low) {
        const int mid = (low + high) / 2;
        if (table[mid].hi < rune) {
            low = mid + 1;
        } else if (rune >= table[mid].lo) {
            return 1;
        } else {
            high = mid - 1;
        }
    }
    return 0;
}

} // namespace corvel::UnicodeUtil
