#include "corvel/base/Utf8.h"

#include "corvel/base/UnicodeUtil.h"

namespace corvel {

namespace {

std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

Utf8Step decodeUtf8Step(std::span<const std::uint8_t> bytes)
{
    const std::uint8_t lead = bytes[0];
    const std::uint8_t kind = UnicodeUtil::first[lead];
    if (kind == UnicodeUtil::firstAscii)
        return {lead, 1, true};
    if (kind == UnicodeUtil::firstInvalid)
        return {0xFFFD, 1, false};
    const std::size_t length = kind & 0x0F;
    // The second byte's range depends on the lead (no overlong forms, no
    // surrogates, nothing past U+10FFFF); later bytes are any continuation.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    switch (kind >> 4) {
    case 1: low = 0xA0; break;
    case 2: high = 0x9F; break;
    case 3: low = 0x90; break;
    case 4: high = 0x8F; break;
    default: break;
    }
    char32_t scalar = lead & (0x7F >> length);
    std::size_t taken = 1;
    for (; taken < length && taken < bytes.size(); ++taken) {
        const std::uint8_t next = bytes[taken];
        if (next < low || next > high)
            break;
        scalar = (scalar << 6) | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    if (taken == length)
        return {scalar, length, true};
    return {0xFFFD, taken, false};
}

bool isValidUtf8(std::span<const std::uint8_t> bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        const Utf8Step step = decodeUtf8Step(bytes.subspan(i));
        if (!step.wellFormed)
            return false;
        i += step.length;
    }
    return true;
}

bool isValidUtf8(std::string_view text) { return isValidUtf8(asBytes(text)); }

std::vector<char32_t> decodeUtf8(std::string_view text)
{
    const std::span<const std::uint8_t> bytes = asBytes(text);
    std::vector<char32_t> out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Utf8Step step = decodeUtf8Step(bytes.subspan(i));
        out.push_back(step.scalar);
        i += step.length;
    }
    return out;
}

} // namespace corvel
