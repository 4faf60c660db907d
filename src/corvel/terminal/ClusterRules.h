#pragma once

#include <string_view>

namespace corvel::ClusterRules {

constexpr char32_t zeroWidthJoiner = 0x200D;
constexpr char32_t textPresentation = 0xFE0E;
constexpr char32_t emojiPresentation = 0xFE0F;

constexpr bool isRegionalIndicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }
constexpr bool isEmojiModifier(char32_t c) { return c >= 0x1F3FB && c <= 0x1F3FF; }
constexpr bool isVariationSelector(char32_t c)
{
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) || (c >= 0x180B && c <= 0x180D)
        || c == 0x180F;
}

// True when the scalar has a non-zero canonical combining class.
bool hasCombiningClass(char32_t c);

// True when a scalar of the given display width may belong to the character
// printed before it (marks, modifiers, joiners, selectors), whatever that was.
inline bool mayJoinPrevious(char32_t c, int width)
{
    if (width == 0)
        return true;
    // Most printed text lies where no marks, joiners or selectors are; among
    // the emoji only the skin-tone modifiers join.
    if (c < 0x300 || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3))
        return false;
    if (c >= 0x1F000 && c <= 0x1FAFF)
        return isEmojiModifier(c);
    return c == zeroWidthJoiner || isVariationSelector(c) || hasCombiningClass(c);
}

} // namespace corvel::ClusterRules
