#pragma once

namespace corvel {

// Text encodings a screen can be written out in. A character an encoding
// cannot hold is written as "?".
enum class TextEncoding { utf8, ascii, isoLatin1 };

} // namespace corvel
