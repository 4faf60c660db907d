#include "corvel/terminal/Base64.h"

#include <array>

namespace corvel::Base64 {

namespace {
constexpr std::array<int8_t, 256> makeTable()
{
    std::array<int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        t[static_cast<uint8_t>(alphabet[i])] = static_cast<int8_t>(i);
    return t;
}
constexpr auto table = makeTable();
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
            uint8_t c = text[i + k];
            int v;
            if (c == '=' && last && k >= 2) {
                ++padding;
                v = 0;
            } else {
                if (padding)
                    return std::nullopt;
                v = table[c];
                if (v < 0)
                    return std::nullopt;
            }
            group = (group << 6) | static_cast<uint32_t>(v);
        }
        out.push_back(static_cast<uint8_t>(group >> 16));
        if (padding < 2)
            out.push_back(static_cast<uint8_t>(group >> 8));
        if (padding < 1)
            out.push_back(static_cast<uint8_t>(group));
    }
    return out;
}

} // namespace corvel::Base64
