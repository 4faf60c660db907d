#include "corvel/images/KittyImageLineIndex.h"

#include "corvel/model/Buffer.h"

#include <algorithm>

namespace corvel {

const std::vector<int>& KittyImageLineIndex::linesWithImages(Buffer& screen)
{
    if (!screen.hasAnyImages()) {
        entries_.clear();
        indices_.clear();
        screen_ = &screen;
        return indices_;
    }
    if (screen_ != &screen || !refresh(screen))
        rebuild(screen);
    return indices_;
}

bool KittyImageLineIndex::refresh(Buffer& screen)
{
    CircularBufferLineList& lines = screen.lines();
    const int count = lines.count();
    for (Entry& entry : entries_) {
        bool found = false;
        for (int candidate : {entry.index, entry.index - 1, entry.index + 1}) {
            if (candidate < 0 || candidate >= count)
                continue;
            const auto& line = lines.get(candidate);
            if (line.get() == entry.line && line->hasImages()) {
                entry.index = candidate;
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    if (static_cast<int>(entries_.size()) != screen.linesWithImagesCount())
        return false;
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.index < b.index; });
    indices_.clear();
    for (const Entry& entry : entries_)
        indices_.push_back(entry.index);
    return true;
}

void KittyImageLineIndex::rebuild(Buffer& screen)
{
    ++rebuilds_;
    screen_ = &screen;
    entries_.clear();
    indices_.clear();
    CircularBufferLineList& lines = screen.lines();
    for (int index = 0; index < lines.count(); ++index) {
        const auto& line = lines.get(index);
        if (line->hasImages()) {
            entries_.push_back({line.get(), index});
            indices_.push_back(index);
        }
    }
    // Keep the screen's own count honest, so that the next check can succeed.
    if (static_cast<int>(entries_.size()) != screen.linesWithImagesCount())
        screen.recalculateLinesWithImagesCount();
}

} // namespace corvel
