#pragma once

#include "corvel/model/Attribute.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvel {

// One placeholder cell decoded: which image and placement it shows and which
// cell of the picture's grid.
struct KittyPlaceholderCell {
    int row = 0;
    int col = 0;
    uint32_t imageId = 0;
    uint32_t placementId = 0;
    int placeholderRow = 0;
    int placeholderCol = 0;
    // The third mark's number, kept as found (up to 296); the id's high byte
    // uses at most 255 of it.
    int msb = 0;

    bool operator==(const KittyPlaceholderCell&) const = default;
};

// Decodes the cells of a row, left to right: a placeholder character with
// its marks, its foreground colour (the image id) and its underline colour
// (the placement id). A cell with fewer marks continues its left neighbour
// when both name the same image and placement.
namespace KittyPlaceholderDecoder {

// Nothing when the cell is no placeholder. `previous` is the decoded cell to
// the left when it was a placeholder, with its attribute.
std::optional<KittyPlaceholderCell> decode(std::u32string_view character, const Attribute& attribute, int row, int col,
                                           const std::optional<KittyPlaceholderCell>& previous,
                                           const std::optional<Attribute>& previousAttribute);

} // namespace KittyPlaceholderDecoder
} // namespace corvel
