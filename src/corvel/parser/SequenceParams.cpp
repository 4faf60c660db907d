#include "corvel/parser/SequenceParams.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace corvel {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;

constexpr bool isDigit(uint8_t b) { return static_cast<unsigned>(b) - '0' <= 9; }

// Up to seven digits at the start of eight bytes, read as one word so that a
// parameter takes no loop over its digits.
class DigitWord {
public:
    explicit DigitWord(const uint8_t* p) { std::memcpy(&word_, p, sizeof word_); }

    // How many bytes are digits before the first byte that is not one (8
    // when all are). A byte below '0' gets its top bit from the subtraction,
    // one above '9' from the addition or from itself; borrows and carries
    // only start at bytes that are no digits, so the first of those is exact.
    int leadingDigits() const
    {
        const uint64_t stops = ((word_ - kOnes * '0') | (word_ + kOnes * (0x80 - ':')) | word_) & (kOnes * 0x80);
        return stops ? std::countr_zero(stops) / 8 : 8;
    }

    // The value of the first n (1..8) digits: pairs, then fours, then all.
    uint64_t value(int n) const
    {
        uint64_t x = (word_ - kOnes * '0') << (8 * (8 - n));
        x = (x * 10 + (x >> 8)) & 0x00FF00FF00FF00FFull;
        x = (x * 100 + (x >> 16)) & 0x0000FFFF0000FFFFull;
        return (x * 10000 + (x >> 32)) & 0xFFFFFFFFull;
    }

private:
    uint64_t word_;
};

} // namespace

bool SequenceParams::hasSubParameters() const
{
    auto seps = separators();
    return std::find(seps.begin(), seps.end(), uint8_t(':')) != seps.end();
}

const uint8_t* SequenceParams::addParameters(const uint8_t* p, const uint8_t* end)
{
    int count = count_;
    bool full = full_;
    int64_t v = values_[static_cast<size_t>(count - 1)];
    while (p < end) {
        int digits = 8;
        if constexpr (std::endian::native == std::endian::little) {
            if (v == 0 && end - p >= 8) {
                const DigitWord word(p);
                digits = word.leadingDigits();
                if (digits > 0 && digits < 8) {
                    v = static_cast<int64_t>(word.value(digits));
                    p += digits;
                }
            }
        }
        if (digits == 8) {
            for (; p < end && isDigit(*p); ++p) {
                v = v * 10 + (*p - '0');
                if (v > kMaxValue)
                    v = 0;
            }
        }
        if (p == end || (*p != ';' && *p != ':'))
            break;
        // A separator, as addSeparator takes it.
        if (!full)
            values_[static_cast<size_t>(count - 1)] = v;
        if (count == kMaxCount) {
            full = true;
            v = values_[static_cast<size_t>(count - 1)];
        } else {
            separators_[static_cast<size_t>(count - 1)] = *p;
            ++count;
            v = 0;
        }
        ++p;
    }
    if (!full)
        values_[static_cast<size_t>(count - 1)] = v;
    count_ = count;
    full_ = full;
    return p;
}

} // namespace corvel
