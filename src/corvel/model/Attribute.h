#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "corvel/model/CharacterStyle.h"
#include "corvel/model/UnderlineStyle.h"

namespace corvel {

// The look of a cell: foreground, background, style bits, underline shape and
// an optional underline colour. Packed into three 32-bit words so that a cell
// stays small; every word keeps a 24-bit colour payload in its low bits and
// tags in its top byte:
//   word 0: foreground payload | style byte
//   word 1: background payload | foreground kind (2 bits) | background kind (2 bits)
//   word 2: underline-colour payload | underline-colour kind + 1, 0 for none (3 bits)
//           | underline style (3 bits)
// Unused bits are always zero, so equal attributes have equal words.
//
// A default-constructed attribute is the default attribute (that of
// CharData::Null): both colours defaultColor, no style, no underline.
class Attribute {
public:
    // One colour slot: a palette index, a true colour, or the terminal's
    // default (or default inverted) colour of whichever slot holds it.
    class Color {
    public:
        enum class Kind : uint8_t { ansi256 = 0, trueColor = 1, defaultColor = 2, defaultInvertedColor = 3 };

        static const Color defaultColor;
        static const Color defaultInvertedColor;

        static constexpr Color ansi256(uint8_t code) { return Color(Kind::ansi256, code); }
        static constexpr Color trueColor(uint8_t red, uint8_t green, uint8_t blue)
        {
            return Color(Kind::trueColor, (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue);
        }

        constexpr Kind kind() const { return static_cast<Kind>(bits_ >> 24); }
        // The palette index of an ansi256 colour.
        constexpr uint8_t code() const { return static_cast<uint8_t>(bits_); }
        // The channels of a true colour.
        constexpr uint8_t red() const { return static_cast<uint8_t>(bits_ >> 16); }
        constexpr uint8_t green() const { return static_cast<uint8_t>(bits_ >> 8); }
        constexpr uint8_t blue() const { return static_cast<uint8_t>(bits_); }

        friend constexpr bool operator==(Color, Color) = default;

        // Kind in bits 24-25, payload in bits 0-23.
        constexpr uint32_t bits() const { return bits_; }

    private:
        friend class Attribute;
        constexpr Color(Kind kind, uint32_t payload) : bits_((static_cast<uint32_t>(kind) << 24) | payload) {}
        constexpr uint32_t payload() const { return bits_ & payloadMask; }

        static constexpr uint32_t payloadMask = 0x00FFFFFF;
        uint32_t bits_;
    };

    static const Attribute empty;

    constexpr Attribute()
        : w1_((static_cast<uint32_t>(Color::Kind::defaultColor) << 24)
              | (static_cast<uint32_t>(Color::Kind::defaultColor) << 26))
    {
    }
    constexpr Attribute(Color fg, Color bg, CharacterStyle style = CharacterStyle::none,
                        UnderlineStyle underlineStyle = UnderlineStyle::none,
                        std::optional<Color> underlineColor = std::nullopt)
    {
        setFg(fg);
        setBg(bg);
        setStyle(style);
        setUnderlineStyle(underlineStyle);
        setUnderlineColor(underlineColor);
    }

    constexpr Color fg() const { return Color(static_cast<Color::Kind>((w1_ >> 24) & 3), w0_ & Color::payloadMask); }
    constexpr Color bg() const { return Color(static_cast<Color::Kind>((w1_ >> 26) & 3), w1_ & Color::payloadMask); }
    constexpr CharacterStyle style() const { return CharacterStyle(static_cast<uint8_t>(w0_ >> 24)); }
    constexpr UnderlineStyle underlineStyle() const { return static_cast<UnderlineStyle>((w2_ >> 27) & 7); }
    constexpr std::optional<Color> underlineColor() const
    {
        const uint32_t tag = (w2_ >> 24) & 7;
        if (tag == 0)
            return std::nullopt;
        return Color(static_cast<Color::Kind>(tag - 1), w2_ & Color::payloadMask);
    }

    constexpr void setFg(Color c)
    {
        w0_ = (w0_ & ~Color::payloadMask) | c.payload();
        w1_ = (w1_ & ~(uint32_t{3} << 24)) | (static_cast<uint32_t>(c.kind()) << 24);
    }
    constexpr void setBg(Color c)
    {
        w1_ = (w1_ & ~(Color::payloadMask | (uint32_t{3} << 26))) | c.payload()
            | (static_cast<uint32_t>(c.kind()) << 26);
    }
    constexpr void setStyle(CharacterStyle s) { w0_ = (w0_ & Color::payloadMask) | (uint32_t{s.rawValue()} << 24); }
    constexpr void setUnderlineStyle(UnderlineStyle u)
    {
        w2_ = (w2_ & ~(uint32_t{7} << 27)) | ((static_cast<uint32_t>(u) & 7) << 27);
    }
    constexpr void setUnderlineColor(std::optional<Color> c)
    {
        w2_ &= ~(Color::payloadMask | (uint32_t{7} << 24));
        if (c)
            w2_ |= c->payload() | ((static_cast<uint32_t>(c->kind()) + 1) << 24);
    }

    // The attribute as SGR parameters, e.g. "0;1;31m".
    std::string toSgr() const;

    friend constexpr bool operator==(const Attribute&, const Attribute&) = default;

    std::size_t hash() const noexcept
    {
        uint64_t h = (uint64_t{w0_} << 32 | w1_) * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (uint64_t{w2_} * 0xBF58476D1CE4E5B9ull);
        return static_cast<std::size_t>(h ^ (h >> 32));
    }

private:
    uint32_t w0_ = 0;
    uint32_t w1_ = 0;
    uint32_t w2_ = 0;
};

inline constexpr Attribute::Color Attribute::Color::defaultColor{Attribute::Color::Kind::defaultColor, 0};
inline constexpr Attribute::Color Attribute::Color::defaultInvertedColor{Attribute::Color::Kind::defaultInvertedColor,
                                                                         0};
inline constexpr Attribute Attribute::empty{Attribute::Color::defaultColor, Attribute::Color::defaultInvertedColor};

static_assert(sizeof(Attribute) == 12);

} // namespace corvel

template <> struct std::hash<corvel::Attribute::Color> {
    std::size_t operator()(corvel::Attribute::Color c) const noexcept { return std::hash<uint32_t>{}(c.bits()); }
};

template <> struct std::hash<corvel::Attribute> {
    std::size_t operator()(const corvel::Attribute& a) const noexcept { return a.hash(); }
};
