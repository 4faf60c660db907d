#pragma once

#include "corvel/images/KittyGraphicsState.h"

namespace corvel {

class Buffer;

// Adds the image ids of the Kitty placement pictures attached to the lines of
// one screen, scroll-back included, oldest line first.
void collectUsedKittyImageIds(Buffer& buffer, KittyImageIdSet& ids);

} // namespace corvel
