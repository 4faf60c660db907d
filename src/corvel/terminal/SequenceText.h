#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/Utf8.h"
#include "corvel/parser/SequenceParams.h"

namespace corvel {

// Lists written into log lines: "[1, 2, 3]".
inline std::string decimalList(std::span<const int64_t> values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ", ";
        out += std::to_string(values[i]);
    }
    return out + "]";
}

inline std::string decimalList(const SequenceParams& pars) { return decimalList(pars.values()); }

inline std::string decimalList(std::string_view bytes)
{
    std::string out = "[";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ", ";
        out += std::to_string(static_cast<unsigned char>(bytes[i]));
    }
    return out + "]";
}

inline std::string_view asText(std::span<const uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Splits at every separator; empty pieces are kept unless dropEmpty.
inline std::vector<std::string_view> splitText(std::string_view text, char separator, bool dropEmpty)
{
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        const std::string_view piece = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!(dropEmpty && piece.empty()))
            pieces.push_back(piece);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return pieces;
}

// A signed decimal integer: an optional sign, then digits, nothing else.
inline std::optional<int64_t> parseInteger(std::string_view text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        if (value > (INT64_MAX - 9) / 10)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace corvel
