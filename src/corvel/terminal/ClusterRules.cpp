#include "corvel/terminal/ClusterRules.h"

#include <utf8proc.h>

namespace corvel::ClusterRules {

bool hasCombiningClass(char32_t c)
{
    // Blocks without any combining character: most of what is printed
    // outside ASCII (CJK, Hangul syllables, symbols and emoji).
    if (c < 0x300 || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) ||
        (c >= 0x1F000 && c <= 0x1FAFF))
        return false;
    return utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->combining_class != 0;
}

bool extendsCluster(std::u32string_view cluster, char32_t next)
{
    if (cluster.empty())
        return false;
    utf8proc_int32_t state = 0;
    auto previous = static_cast<utf8proc_int32_t>(cluster[0]);
    for (size_t i = 1; i <= cluster.size(); ++i) {
        auto current = static_cast<utf8proc_int32_t>(i < cluster.size() ? cluster[i] : next);
        if (utf8proc_grapheme_break_stateful(previous, current, &state))
            return false;
        previous = current;
    }
    return true;
}

} // namespace corvel::ClusterRules
