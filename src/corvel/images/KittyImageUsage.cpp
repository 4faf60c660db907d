#include "corvel/images/KittyImageUsage.h"

#include "corvel/images/KittyPlacementImage.h"
#include "corvel/model/Buffer.h"

namespace corvel {

void collectUsedKittyImageIds(Buffer& buffer, KittyImageIdSet& ids)
{
    if (!buffer.hasAnyImages())
        return;
    CircularBufferLineList& lines = buffer.lines();
    for (int index = 0; index < lines.count(); ++index) {
        const BufferLine& line = lines[index];
        if (!line.images)
            continue;
        for (const auto& image : *line.images) {
            const auto* placement = dynamic_cast<const KittyPlacementImage*>(image.get());
            if (placement && placement->kittyImageId)
                ids.insert(*placement->kittyImageId);
        }
    }
}

} // namespace corvel
