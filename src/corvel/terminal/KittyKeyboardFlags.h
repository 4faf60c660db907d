#pragma once

namespace corvel {

// Keyboard enhancement flags a child can request (CSI > flags u and friends).
struct KittyKeyboardFlags {
    enum : int {
        disambiguate = 1,
        reportEvents = 2,
        reportAlternates = 4,
        reportAllKeys = 8,
        reportText = 16,
        knownMask = 31,
    };

    int rawValue = 0;

    constexpr bool contains(int bits) const { return (rawValue & bits) == bits; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    friend constexpr bool operator==(const KittyKeyboardFlags&, const KittyKeyboardFlags&) = default;
};

} // namespace corvel
