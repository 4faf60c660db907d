#include "corvel/qt/EmojiPresentation.h"

#include <utf8proc.h>

namespace corvel {

namespace {

bool isPictograph(char32_t scalar)
{
    if (scalar > 0x10FFFF)
        return false;
    return utf8proc_get_property(static_cast<utf8proc_int32_t>(scalar))->boundclass
        == UTF8PROC_BOUNDCLASS_EXTENDED_PICTOGRAPHIC;
}

bool isRegionalIndicator(char32_t scalar) { return scalar >= 0x1F1E6 && scalar <= 0x1F1FF; }

} // namespace

bool hasEmojiPresentation(std::u32string_view text, int columns)
{
    if (text.empty())
        return false;
    for (const char32_t scalar : text) {
        if (scalar == 0xFE0E)
            return false;
        if (scalar == 0xFE0F || scalar == 0x20E3)
            return true;
    }
    const char32_t first = text.front();
    if (isRegionalIndicator(first))
        return true;
    // Pictographs shown wide have the emoji presentation by default.
    return columns >= 2 && isPictograph(first);
}

} // namespace corvel
