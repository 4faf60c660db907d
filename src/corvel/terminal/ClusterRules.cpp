#include "corvel/terminal/ClusterRules.h"

#include <utf8proc.h>

namespace corvel::ClusterRules {

bool hasCombiningClass(char32_t c)
{
    // Blocks without any combining character: most of what is printed
    // outside ASCII (CJK, Hangul syllables, symbols and emoji).
    if (c < 0x300 || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x1F000 && c <= 0x1FAFF))
        return false;
    return utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->combining_class != 0;
}

} // namespace corvel::ClusterRules
