// Where the terminal meets the inline-image code: APC "G" (Kitty graphics),
// DCS "q" (Sixel) and the clean-up the screens need when images go away.
//
// The image decoders live in corvel/images; until they are wired in, Kitty
// commands are consumed without effect and Sixel strings are dropped (the
// parser gets no handler for them).

#include "corvel/terminal/Terminal.h"

namespace corvel {

void Terminal::handleKittyGraphics(std::span<const uint8_t> /*data*/) {}

void Terminal::clearAllKittyImages()
{
    for (Buffer* screen : {buffer_, altBuffer_.get()}) {
        CircularBufferLineList& lines = screen->lines();
        if (!screen->hasAnyImages())
            continue;
        for (int i = 0; i < lines.count(); ++i)
            screen->clearImagesFromLine(i);
    }
    kittyGraphicsState.clearAllImages();
    updateRange(buffer_->scrollTop());
    updateRange(buffer_->scrollBottom());
}

void Terminal::clearKittyImages(Buffer& /*screen*/, bool /*isAlternateBuffer*/) {}

void Terminal::updateKittyRelativePlacementsForCurrentBuffer() {}

DcsHandler* Terminal::makeSixelHandler() { return nullptr; }

} // namespace corvel
