#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace corvel {

// Arithmetic on numbers that come from the wire: results stick at the ends
// of the range instead of wrapping.
inline int64_t saturatingAdd(int64_t a, int64_t b)
{
    int64_t result = 0;
    if (__builtin_add_overflow(a, b, &result))
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return result;
}

inline int64_t saturatingSub(int64_t a, int64_t b)
{
    int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return result;
}

inline int64_t saturatingMul(int64_t a, int64_t b)
{
    int64_t result = 0;
    if (__builtin_mul_overflow(a, b, &result))
        return (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    return result;
}

inline int clampToInt(int64_t value)
{
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The last cell of a span that starts at `first` and covers `count` cells
// (at least one).
inline int64_t lastCovered(int64_t first, int64_t count)
{
    return saturatingAdd(first, std::max<int64_t>(count, 1) - 1);
}

} // namespace corvel
