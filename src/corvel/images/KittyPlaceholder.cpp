#include "corvel/images/KittyPlaceholder.h"

namespace corvel::KittyPlaceholder {

const std::unordered_map<uint32_t, int>& diacriticIndex()
{
    static const std::unordered_map<uint32_t, int> index = [] {
        std::unordered_map<uint32_t, int> map;
        map.reserve(diacritics.size());
        for (size_t i = 0; i < diacritics.size(); ++i)
            map.emplace(diacritics[i], static_cast<int>(i));
        return map;
    }();
    return index;
}

} // namespace corvel::KittyPlaceholder
