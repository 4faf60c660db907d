#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvel {

// A VT character set: the printable ASCII bytes that are shown as another
// character, each replaced by a single Unicode scalar. Bytes without a
// replacement are shown unchanged. Cheap to copy.
class CharSet {
public:
    constexpr CharSet() = default;

    // The character shown for byte, or 0 when the set leaves it unchanged.
    constexpr char32_t replacement(uint8_t byte) const { return byte < table_.size() ? table_[byte] : 0; }

    constexpr bool contains(uint8_t byte) const { return replacement(byte) != 0; }

    // The character shown for byte: its replacement, else the byte itself.
    constexpr char32_t map(uint8_t byte) const
    {
        const char32_t r = replacement(byte);
        return r ? r : char32_t{byte};
    }

    // Number of bytes the set replaces.
    constexpr size_t size() const
    {
        size_t n = 0;
        for (char32_t c : table_)
            n += c != 0;
        return n;
    }
    constexpr bool empty() const { return size() == 0; }

    // Replaces byte (below 0x80) by character.
    constexpr void set(uint8_t byte, char32_t character)
    {
        if (byte < table_.size())
            table_[byte] = character;
    }

    friend constexpr bool operator==(const CharSet&, const CharSet&) = default;

private:
    std::array<char32_t, 128> table_{};
};

} // namespace corvel
