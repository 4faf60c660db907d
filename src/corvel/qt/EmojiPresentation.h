#pragma once

#include <string_view>

namespace corvel {

// Whether the text of one cell (a scalar or a grapheme cluster) taking
// `columns` cells is shown as an emoji picture rather than as text: a wide
// pictograph, a flag (regional indicators), or a sequence that asks for the
// emoji presentation (U+FE0F) or is a keycap (U+20E3). A text presentation
// selector (U+FE0E) keeps it text.
bool hasEmojiPresentation(std::u32string_view text, int columns);

} // namespace corvel
