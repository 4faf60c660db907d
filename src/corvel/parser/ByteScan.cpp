#include "corvel/parser/ByteScan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvel::ByteScan {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Non-zero when some byte of x with its top bit clear is below n (n <= 0x80).
// Bytes above a real hit may be flagged too, never bytes when there is none.
constexpr uint64_t hasLess(uint64_t x, uint8_t n) { return (x - kOnes * n) & ~x & kHighBits; }

constexpr uint64_t hasByte(uint64_t x, uint8_t value) { return hasLess(x ^ (kOnes * value), 1); }

inline bool stopsText(uint8_t b) { return b < 0x20 || b == 0x7F; }
inline bool stopsAscii(uint8_t b) { return b < 0x20 || b >= 0x7F; }

template <bool (*Stops)(uint8_t)> const uint8_t* scanBytes(const uint8_t* p, const uint8_t* end)
{
    while (p < end && !Stops(*p))
        ++p;
    return p;
}

inline uint64_t loadWord(const uint8_t* p)
{
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Eight bytes at a time: the first byte below 0x20 or equal to DEL, or
// with AsciiOnly the first from 0x7F up.
template <bool AsciiOnly> const uint8_t* findEndWordwise(const uint8_t* p, const uint8_t* end)
{
    constexpr auto stops = AsciiOnly ? stopsAscii : stopsText;
    while (end - p >= 8) {
        const uint64_t x = loadWord(p);
        if ((AsciiOnly ? x & kHighBits : uint64_t{0}) | hasLess(x, 0x20) | hasByte(x, 0x7F))
            return scanBytes<stops>(p, p + 8);
        p += 8;
    }
    return scanBytes<stops>(p, end);
}

} // namespace

const uint8_t* findTextEndWordwise(const uint8_t* p, const uint8_t* end) { return findEndWordwise<false>(p, end); }
const uint8_t* findAsciiEndWordwise(const uint8_t* p, const uint8_t* end) { return findEndWordwise<true>(p, end); }

#if defined(__SSE2__)

namespace {

inline int firstSetBit(unsigned mask) { return __builtin_ctz(mask); }

// Sixteen bytes at a time: the first byte below 0x20 or equal to DEL, or
// with AsciiOnly the first from 0x7F up; the tail goes word by word.
template <bool AsciiOnly> const uint8_t* findEnd(const uint8_t* p, const uint8_t* end)
{
    const __m128i below = _mm_set1_epi8(0x1F);
    const __m128i del = _mm_set1_epi8(0x7F);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, below), v);
        const __m128i stop = AsciiOnly ? _mm_cmpeq_epi8(_mm_max_epu8(v, del), v) : _mm_cmpeq_epi8(v, del);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(control, stop)));
        if (mask)
            return p + firstSetBit(mask);
        p += 16;
    }
    return findEndWordwise<AsciiOnly>(p, end);
}

} // namespace

const uint8_t* findTextEnd(const uint8_t* p, const uint8_t* end) { return findEnd<false>(p, end); }
const uint8_t* findAsciiEnd(const uint8_t* p, const uint8_t* end) { return findEnd<true>(p, end); }

#else

const uint8_t* findTextEnd(const uint8_t* p, const uint8_t* end) { return findTextEndWordwise(p, end); }
const uint8_t* findAsciiEnd(const uint8_t* p, const uint8_t* end) { return findAsciiEndWordwise(p, end); }

#endif

} // namespace corvel::ByteScan
