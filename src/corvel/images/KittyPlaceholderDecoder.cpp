#include "corvel/images/KittyPlaceholderDecoder.h"

#include "corvel/images/KittyPlaceholder.h"

#include <algorithm>
#include <array>

namespace corvel::KittyPlaceholderDecoder {
namespace {

uint32_t colorValue(Attribute::Color color)
{
    switch (color.kind()) {
    case Attribute::Color::Kind::ansi256: return color.code();
    case Attribute::Color::Kind::trueColor:
        return (uint32_t{color.red()} << 16) | (uint32_t{color.green()} << 8) | color.blue();
    case Attribute::Color::Kind::defaultColor:
    case Attribute::Color::Kind::defaultInvertedColor: return 0;
    }
    return 0;
}

} // namespace

std::optional<KittyPlaceholderCell> decode(std::u32string_view character, const Attribute& attribute, int row, int col,
                                           const std::optional<KittyPlaceholderCell>& previous,
                                           const std::optional<Attribute>& previousAttribute)
{
    if (character.empty() || character.front() != KittyPlaceholder::placeholder)
        return std::nullopt;

    const auto& index = KittyPlaceholder::diacriticIndex();
    std::array<int, 3> numbers{};
    size_t n = 0;
    for (char32_t scalar : character.substr(1)) {
        auto found = index.find(static_cast<uint32_t>(scalar));
        if (found == index.end())
            continue;
        if (n < numbers.size())
            numbers[n] = found->second;
        ++n;
    }

    const bool continues = previous && previous->row == row && previous->col + 1 == col && previousAttribute
        && previousAttribute->fg() == attribute.fg()
        && previousAttribute->underlineColor() == attribute.underlineColor();

    KittyPlaceholderCell cell;
    cell.row = row;
    cell.col = col;
    switch (std::min<size_t>(n, 3)) {
    case 0:
        if (continues) {
            cell.placeholderRow = previous->placeholderRow;
            cell.placeholderCol = previous->placeholderCol + 1;
            cell.msb = previous->msb;
        }
        break;
    case 1:
        cell.placeholderRow = numbers[0];
        if (continues && previous->placeholderRow == numbers[0]) {
            cell.placeholderCol = previous->placeholderCol + 1;
            cell.msb = previous->msb;
        }
        break;
    case 2:
        cell.placeholderRow = numbers[0];
        cell.placeholderCol = numbers[1];
        if (continues && previous->placeholderRow == numbers[0] && previous->placeholderCol + 1 == numbers[1])
            cell.msb = previous->msb;
        break;
    default:
        cell.placeholderRow = numbers[0];
        cell.placeholderCol = numbers[1];
        cell.msb = numbers[2];
        break;
    }

    const uint32_t highByte = static_cast<uint32_t>(std::min(cell.msb, 255));
    cell.imageId = (colorValue(attribute.fg()) & 0x00FFFFFF) | (highByte << 24);
    const std::optional<Attribute::Color> underline = attribute.underlineColor();
    cell.placementId = underline ? colorValue(*underline) : 0;
    return cell;
}

} // namespace corvel::KittyPlaceholderDecoder
