#pragma once

#include <functional>
#include <memory>

namespace corvel {

class Buffer;
class TerminalImage;

// Takes off line lineIndex of screen the images that removes() picks,
// dropping the line's list when none stays; true when it took one.
bool removeImagesFromLine(Buffer& screen, int lineIndex,
                          const std::function<bool(const std::shared_ptr<TerminalImage>&)>& removes);

} // namespace corvel
