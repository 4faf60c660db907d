#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "corvel/model/Attribute.h"
#include "corvel/model/TinyAtom.h"

namespace corvel {

// One screen cell. `code` is 0 for an empty cell, a Unicode scalar, or from
// graphemeCodeBase + 1 upward the index of a grapheme cluster in the
// terminal's grapheme table. `width` is 1, 2 for a wide character, or 0 for
// the column right after a wide character. A plain value copied by memory.
struct CharData {
    static constexpr int32_t graphemeCodeBase = 0x400000;
    static const CharData Null;

    int32_t code = 0;
    int8_t width = 1;
    uint8_t unused = 0; // reserved, always 0
    TinyAtom payload{};
    Attribute attribute{};

    constexpr CharData() = default;
    constexpr CharData(const Attribute& attribute, int32_t code, int8_t width)
        : code(code), width(width), attribute(attribute)
    {
    }

    constexpr bool isSimpleRune() const { return code < graphemeCodeBase; }
    constexpr bool hasPayload() const { return payload.code != 0; }
    // The hyperlink payload; none without a handle or for a released one.
    std::optional<std::string> getPayload() const
    {
        if (payload.code == 0)
            return std::nullopt;
        return payload.target();
    }
    constexpr void setPayload(TinyAtom atom) { payload = atom; }
    constexpr void setValue(int32_t newCode, int32_t size)
    {
        code = newCode;
        width = static_cast<int8_t>(size);
    }

    // The scalar of a plain code; a space for a grapheme index, a surrogate or
    // anything else that is no Unicode scalar.
    constexpr char32_t getCharacter() const { return isValidScalar(code) ? char32_t(code) : U' '; }

    // "CharData: " followed by the code and its character ("?" if none).
    std::string debugDescription() const;

    static constexpr bool isValidScalar(int32_t c) { return c >= 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

    friend constexpr bool operator==(const CharData&, const CharData&) = default;
};

inline constexpr CharData CharData::Null{};

static_assert(sizeof(CharData) == 20);
static_assert(std::is_trivially_copyable_v<CharData>);
static_assert(std::is_trivially_destructible_v<CharData>);

} // namespace corvel
