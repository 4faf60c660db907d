#include "corvel/base/Base64.h"

#include <algorithm>
#include <array>

namespace corvel::Base64 {
namespace {

constexpr uint8_t notInAlphabet = 0xFF;

constexpr std::array<uint8_t, 256> makeDecodeTable()
{
    std::array<uint8_t, 256> table{};
    table.fill(notInAlphabet);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (uint8_t i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(alphabet[i])] = i;
    return table;
}

constexpr std::array<uint8_t, 256> decodeTable = makeDecodeTable();

} // namespace

std::optional<std::vector<uint8_t>> decode(std::span<const uint8_t> text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int padding = 0;
        uint32_t group = 0;
        for (size_t k = 0; k < 4; ++k) {
            const uint8_t c = text[i + k];
            uint8_t value = 0;
            if (c == '=' && last && k >= 2) {
                ++padding;
            } else {
                if (padding)
                    return std::nullopt;
                value = decodeTable[c];
                if (value == notInAlphabet)
                    return std::nullopt;
            }
            group = (group << 6) | value;
        }
        out.push_back(static_cast<uint8_t>(group >> 16));
        if (padding < 2)
            out.push_back(static_cast<uint8_t>(group >> 8));
        if (padding < 1)
            out.push_back(static_cast<uint8_t>(group));
    }
    return out;
}

std::optional<std::vector<uint8_t>> decodeLenient(std::span<const uint8_t> text, size_t maxOutputBytes)
{
    std::vector<uint8_t> out;
    out.reserve(std::min(text.size() / 4 * 3 + 3, maxOutputBytes));
    uint32_t group = 0;
    int count = 0;

    // Writes the bytes of a partial group of 2 or 3 characters.
    auto closeGroup = [&]() -> bool {
        if (count == 1)
            return false;
        if (count >= 2) {
            if (out.size() + static_cast<size_t>(count - 1) > maxOutputBytes)
                return false;
            out.push_back(static_cast<uint8_t>(group >> (count == 2 ? 4 : 10)));
            if (count == 3)
                out.push_back(static_cast<uint8_t>(group >> 2));
        }
        group = 0;
        count = 0;
        return true;
    };

    for (uint8_t byte : text) {
        if (byte == '=') {
            if (!closeGroup())
                return std::nullopt;
            continue;
        }
        const uint8_t value = decodeTable[byte];
        if (value == notInAlphabet)
            continue;
        group = (group << 6) | value;
        if (++count == 4) {
            if (out.size() + 3 > maxOutputBytes)
                return std::nullopt;
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    if (!closeGroup())
        return std::nullopt;
    return out;
}

} // namespace corvel::Base64
