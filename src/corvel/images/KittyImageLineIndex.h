#pragma once

#include <vector>

namespace corvel {

class Buffer;
class BufferLine;

// Remembers which lines of one screen hold images, so that work after each
// scrolled line visits those lines instead of the whole scroll-back.
//
// The index is checked, not trusted: each remembered line must still sit at
// its ring index or one line above or below it (where one scroll moves it)
// and still hold images, and the number found must equal the screen's count
// of lines with images. Anything else (pictures attached elsewhere, erased
// lines, a resize) rebuilds it with one walk over the ring.
class KittyImageLineIndex {
public:
    // The ring indices, ascending, of the lines of `screen` that hold images.
    const std::vector<int>& linesWithImages(Buffer& screen);

    // Forgets everything; the next query walks the ring.
    void invalidate()
    {
        entries_.clear();
        screen_ = nullptr;
    }

    // How many times the ring was walked (for tests of the bound on work).
    int rebuildCount() const { return rebuilds_; }

private:
    struct Entry {
        const BufferLine* line;
        int index;
    };

    bool refresh(Buffer& screen);
    void rebuild(Buffer& screen);

    const Buffer* screen_ = nullptr;
    std::vector<Entry> entries_;
    std::vector<int> indices_;
    int rebuilds_ = 0;
};

} // namespace corvel
