#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace corvel {

// The numeric parameters of one control sequence (CSI or DCS), held inline.
//
// There is always at least one parameter; an omitted one is 0, so "CSI m"
// carries [0] and "CSI ;5H" carries [0, 5]. Parameters are separated by ';' or
// by ':' (sub-parameters, as in "CSI 38:2:255:0:0 m"); separator(k) is the
// byte between parameter k and k + 1. A value that would grow past
// kMaxValue becomes 0 and goes on accumulating the following digits.
// Parameters after the first kMaxCount are dropped.
class SequenceParams {
public:
    static constexpr int kMaxCount = 32;
    static constexpr int64_t kMaxValue = 922'337'203'685'477'570;

    int size() const { return count_; }
    int64_t operator[](int index) const { return values_[static_cast<size_t>(index)]; }
    // The parameter at index, or fallback when the sequence has fewer.
    int64_t at(int index, int64_t fallback = 0) const
    {
        return index >= 0 && index < count_ ? values_[static_cast<size_t>(index)] : fallback;
    }
    std::span<const int64_t> values() const { return {values_.data(), static_cast<size_t>(count_)}; }

    // ';' or ':' between parameter index and index + 1 (index < size() - 1).
    uint8_t separator(int index) const { return separators_[static_cast<size_t>(index)]; }
    // All separators, size() - 1 of them.
    std::span<const uint8_t> separators() const { return {separators_.data(), static_cast<size_t>(count_ - 1)}; }
    // True when any parameter is introduced by ':'.
    bool hasSubParameters() const;

    // Building, used by the parser.
    void clear()
    {
        count_ = 1;
        values_[0] = 0;
        full_ = false;
    }
    void addDigit(uint8_t digit)
    {
        if (full_)
            return;
        int64_t& v = values_[static_cast<size_t>(count_ - 1)];
        v = v * 10 + digit;
        if (v > kMaxValue)
            v = 0;
    }
    // Folds the run of digits and separators at p into the parameters, as
    // addDigit and addSeparator would byte by byte; returns the first byte
    // that is neither.
    const uint8_t* addParameters(const uint8_t* p, const uint8_t* end);
    void addSeparator(uint8_t separator)
    {
        if (count_ == kMaxCount) {
            full_ = true;
            return;
        }
        separators_[static_cast<size_t>(count_ - 1)] = separator;
        values_[static_cast<size_t>(count_)] = 0;
        ++count_;
    }

private:
    std::array<int64_t, kMaxCount> values_{};
    std::array<uint8_t, kMaxCount> separators_{};
    int count_ = 1;
    bool full_ = false;
};

} // namespace corvel
