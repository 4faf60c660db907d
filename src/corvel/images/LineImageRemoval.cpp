#include "corvel/images/LineImageRemoval.h"

#include <utility>

#include "corvel/model/Buffer.h"

namespace corvel {

bool removeImagesFromLine(Buffer& screen, int lineIndex,
                          const std::function<bool(const std::shared_ptr<TerminalImage>&)>& removes)
{
    BufferLine& line = screen.lines()[lineIndex];
    if (!line.images)
        return false;
    BufferLine::ImageList kept;
    bool removed = false;
    for (const auto& image : *line.images) {
        if (removes(image))
            removed = true;
        else
            kept.push_back(image);
    }
    if (!removed)
        return false;
    if (kept.empty())
        screen.clearImagesFromLine(lineIndex);
    else
        line.images = std::move(kept);
    return true;
}

} // namespace corvel
