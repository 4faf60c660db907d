#pragma once

#include "corvel/model/BufferLine.h"
#include "corvel/qt/gl/RowDrawData.h"

namespace corvel {

class KittyGraphicsState;
class PictureTextures;
class Terminal;

// Where a row's pictures come from: the terminal (its Kitty image store and
// placements, and the characters of placeholder cells) and the textures.
struct PictureSource {
    const Terminal* terminal = nullptr;
    const KittyGraphicsState* kitty = nullptr;
    bool alternateScreen = false;
    PictureTextures* textures = nullptr;
};

// Adds the pictures of the line shown at screenRow to the row's four picture
// lists, placed as the view places them: strips attached to the line on their
// cells (a Kitty offset moves the whole picture), Kitty pictures by the sign
// of their z-index sorted by z-index and image id, other pictures in line
// order, and each Kitty placeholder cell with its piece of the picture of its
// virtual placement fitted into the placement's cells. Double-width and
// double-height lines stretch their pictures as they stretch their text.
void appendRowPictures(const BufferLine& line, int screenRow, const RowContext& context, const PictureSource& source,
                       RowDrawData& out);

} // namespace corvel
