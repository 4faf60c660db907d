#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// UTF-8 as the engine writes and checks it. Well-formed means no overlong
// forms, no surrogates and nothing past U+10FFFF.

// Appends the UTF-8 form of a scalar; anything that is no scalar (a surrogate
// or a value past U+10FFFF) is appended as U+FFFD.
inline void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        appendUtf8(out, 0xFFFD);
    }
}

// One step through UTF-8: the scalar that starts the bytes and how many bytes
// it takes. An ill-formed start reads as U+FFFD over its longest prefix that
// could have begun a scalar (at least one byte). bytes must not be empty.
struct Utf8Step {
    char32_t scalar;
    std::size_t length;
    bool wellFormed;
};
Utf8Step decodeUtf8Step(std::span<const std::uint8_t> bytes);

bool isValidUtf8(std::span<const std::uint8_t> bytes);
bool isValidUtf8(std::string_view text);

// The scalars of text; every ill-formed piece reads as one U+FFFD.
std::vector<char32_t> decodeUtf8(std::string_view text);

} // namespace corvel
