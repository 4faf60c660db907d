#include "corvel/model/Buffer.h"

namespace corvel {

// Rewrapping of the normal screen's wrapped lines. Until it is in place a
// resize keeps every line where it is with its wrap flag: a wider screen pads
// lines with null cells and a narrower one cuts them at the new width.

void Buffer::reflowWider(int /*oldCols*/, int /*newCols*/, int /*newRows*/) {}

void Buffer::reflowNarrower(int /*oldCols*/, int /*newCols*/, int /*newRows*/) {}

}  // namespace corvel
