#include "corvel/model/CircularBufferLineList.h"

namespace corvel {

CircularBufferLineList::CircularBufferLineList(int maxLength) : Base(maxLength)
{
    makeEmpty = [](int) { return std::make_shared<BufferLine>(0); };
}

void CircularBufferLineList::makeEmptyLine(LinePtr& line) { line = std::make_shared<BufferLine>(0); }

void CircularBufferLineList::push(LinePtr line)
{
    const bool hasImages = line && line->hasImages();
    Base::push(std::move(line));
    if (onLinePushed)
        onLinePushed(hasImages);
}

void CircularBufferLineList::recycle(const Attribute& clearAttribute)
{
    if (!Base::recycle())
        return;
    bool hadImages = false;
    if (std::optional<LinePtr>& slot = slotAt(count() - 1); slot && *slot) {
        hadImages = (*slot)->hasImages();
        (*slot)->clear(clearAttribute);
    }
    if (onLineRecycled)
        onLineRecycled(hadImages);
}

} // namespace corvel
