#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace corvel {

// The style bits of a cell: a set over one byte.
class CharacterStyle {
public:
    static const CharacterStyle none;
    static const CharacterStyle bold;
    static const CharacterStyle underline;
    static const CharacterStyle blink;
    static const CharacterStyle inverse;
    static const CharacterStyle invisible;
    static const CharacterStyle dim;
    static const CharacterStyle italic;
    static const CharacterStyle crossedOut;

    constexpr CharacterStyle() = default;
    constexpr explicit CharacterStyle(uint8_t rawValue) : raw_(rawValue) {}
    constexpr CharacterStyle(std::initializer_list<CharacterStyle> members)
    {
        for (CharacterStyle m : members)
            raw_ |= m.raw_;
    }

    // The style byte of an attribute packed into 32 bits (bits 18 to 25).
    static constexpr CharacterStyle fromPackedAttribute(int32_t attribute)
    {
        return CharacterStyle(static_cast<uint8_t>(static_cast<uint32_t>(attribute) >> 18));
    }

    constexpr uint8_t rawValue() const { return raw_; }
    constexpr bool isEmpty() const { return raw_ == 0; }
    constexpr bool contains(CharacterStyle other) const { return (raw_ & other.raw_) == other.raw_; }
    constexpr bool isSubset(CharacterStyle of) const { return (raw_ & of.raw_) == raw_; }
    constexpr bool isDisjoint(CharacterStyle with) const { return (raw_ & with.raw_) == 0; }

    constexpr void insert(CharacterStyle other) { raw_ |= other.raw_; }
    constexpr void remove(CharacterStyle other) { raw_ &= static_cast<uint8_t>(~other.raw_); }

    friend constexpr CharacterStyle operator|(CharacterStyle a, CharacterStyle b)
    {
        return CharacterStyle(static_cast<uint8_t>(a.raw_ | b.raw_));
    }
    friend constexpr CharacterStyle operator&(CharacterStyle a, CharacterStyle b)
    {
        return CharacterStyle(static_cast<uint8_t>(a.raw_ & b.raw_));
    }
    // Symmetric difference.
    friend constexpr CharacterStyle operator^(CharacterStyle a, CharacterStyle b)
    {
        return CharacterStyle(static_cast<uint8_t>(a.raw_ ^ b.raw_));
    }
    constexpr CharacterStyle& operator|=(CharacterStyle other)
    {
        raw_ |= other.raw_;
        return *this;
    }
    constexpr CharacterStyle& operator&=(CharacterStyle other)
    {
        raw_ &= other.raw_;
        return *this;
    }
    constexpr CharacterStyle& operator^=(CharacterStyle other)
    {
        raw_ ^= other.raw_;
        return *this;
    }

    friend constexpr bool operator==(CharacterStyle, CharacterStyle) = default;

private:
    uint8_t raw_ = 0;
};

inline constexpr CharacterStyle CharacterStyle::none{uint8_t{0}};
inline constexpr CharacterStyle CharacterStyle::bold{uint8_t{1}};
inline constexpr CharacterStyle CharacterStyle::underline{uint8_t{2}};
inline constexpr CharacterStyle CharacterStyle::blink{uint8_t{4}};
inline constexpr CharacterStyle CharacterStyle::inverse{uint8_t{8}};
inline constexpr CharacterStyle CharacterStyle::invisible{uint8_t{16}};
inline constexpr CharacterStyle CharacterStyle::dim{uint8_t{32}};
inline constexpr CharacterStyle CharacterStyle::italic{uint8_t{64}};
inline constexpr CharacterStyle CharacterStyle::crossedOut{uint8_t{128}};

} // namespace corvel

template <> struct std::hash<corvel::CharacterStyle> {
    std::size_t operator()(corvel::CharacterStyle s) const noexcept { return s.rawValue(); }
};
