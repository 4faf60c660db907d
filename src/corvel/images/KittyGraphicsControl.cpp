#include "corvel/images/KittyGraphicsControl.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

namespace corvel {
namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x7F; });
}

// Reads an optionally signed decimal number; nothing for empty text, other
// characters or a value outside the 64-bit range.
std::optional<int64_t> parseDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulate as a negative number so that the 64-bit minimum fits.
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_sub_overflow(value, c - '0', &value))
            return std::nullopt;
    }
    if (negative)
        return value;
    if (value == std::numeric_limits<int64_t>::min())
        return std::nullopt;
    return -value;
}

// The values of the single-letter keys; longer keys are never read, so they
// are not kept. Values are views into the parsed bytes.
class KeyValues {
public:
    explicit KeyValues(std::string_view controlText)
    {
        size_t start = 0;
        while (start <= controlText.size()) {
            size_t comma = controlText.find(',', start);
            if (comma == std::string_view::npos)
                comma = controlText.size();
            std::string_view piece = controlText.substr(start, comma - start);
            start = comma + 1;
            size_t equals = piece.find('=');
            if (equals != 1)
                continue; // no "=", or a key that is empty or longer than one letter
            std::string_view key = piece.substr(0, equals);
            std::string_view value = piece.substr(equals + 1);
            if (!isAscii(key) || !isAscii(value))
                continue;
            values_[static_cast<unsigned char>(key.front())] = value;
        }
    }

    int64_t intValue(char key, int64_t fallback) const
    {
        const std::optional<std::string_view>& text = find(key);
        if (!text)
            return fallback;
        return parseDecimal(*text).value_or(fallback);
    }

    std::optional<uint32_t> uintValue(char key) const
    {
        const std::optional<std::string_view>& text = find(key);
        if (!text)
            return std::nullopt;
        std::optional<int64_t> value = parseDecimal(*text);
        if (!value || *value <= 0 || *value > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        return static_cast<uint32_t>(*value);
    }

    std::optional<char> charValue(char key) const
    {
        const std::optional<std::string_view>& text = find(key);
        if (!text || text->empty())
            return std::nullopt;
        return text->front();
    }

private:
    const std::optional<std::string_view>& find(char key) const { return values_[static_cast<unsigned char>(key)]; }

    std::array<std::optional<std::string_view>, 128> values_{};
};

} // namespace

KittyGraphicsCommand parseKittyGraphicsControl(std::span<const uint8_t> bytes)
{
    auto semicolon = std::find(bytes.begin(), bytes.end(), static_cast<uint8_t>(';'));
    size_t controlLength = static_cast<size_t>(semicolon - bytes.begin());
    std::string_view controlText(reinterpret_cast<const char*>(bytes.data()), controlLength);
    std::span<const uint8_t> payload;
    if (semicolon != bytes.end())
        payload = bytes.subspan(controlLength + 1);

    KeyValues keys(controlText);
    KittyGraphicsControl control;
    control.action = keys.charValue('a').value_or('t');
    control.suppressResponses = keys.intValue('q', 0);
    control.format = keys.intValue('f', 32);
    control.transmission = keys.charValue('t').value_or('d');
    control.width = keys.intValue('s', 0);
    control.height = keys.intValue('v', 0);
    control.cropX = keys.intValue('x', 0);
    control.cropY = keys.intValue('y', 0);
    control.cropWidth = keys.intValue('w', 0);
    control.cropHeight = keys.intValue('h', 0);
    control.dataSize = keys.intValue('S', 0);
    control.dataOffset = keys.intValue('O', 0);
    control.imageId = keys.uintValue('i');
    control.imageNumber = keys.uintValue('I');
    control.placementId = keys.uintValue('p');
    control.parentImageId = keys.uintValue('P');
    control.parentPlacementId = keys.uintValue('Q');
    control.offsetH = keys.intValue('H', 0);
    control.offsetV = keys.intValue('V', 0);
    control.pixelOffsetX = keys.intValue('X', 0);
    control.pixelOffsetY = keys.intValue('Y', 0);
    control.unicodePlaceholder = keys.intValue('U', 0);
    control.zIndex = keys.intValue('z', 0);
    control.more = control.transmission == 'd' ? keys.intValue('m', 0) : 0;
    control.compression = keys.charValue('o');
    control.columns = keys.intValue('c', 0);
    control.rows = keys.intValue('r', 0);
    control.cursorPolicy = keys.intValue('C', 0);
    control.deleteMode = keys.charValue('d');
    return {control, payload};
}

} // namespace corvel
