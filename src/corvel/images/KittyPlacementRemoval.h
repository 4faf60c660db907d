#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyPlacement.h"
#include "corvel/images/KittyPlacementHost.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

namespace corvel {

class Buffer;

using KittyPlacementKeySet = std::unordered_set<KittyPlacementKey, KittyPlacementKeyHash>;

// What a deletion test sees of a placement, whether it reads a strip on a
// line or a record: ids, stacking order and the cells it covers (`row` is a
// ring index; sizes below 1 count as 1).
struct KittyPlacementArea {
    std::optional<uint32_t> imageId;
    std::optional<uint32_t> placementId;
    int64_t zIndex = 0;
    int64_t col = 0;
    int64_t row = 0;
    int64_t cols = 0;
    int64_t rows = 0;

    bool coversColumn(int64_t column) const;
    bool coversLine(int64_t line) const;
};

using KittyPlacementTest = std::function<bool(const KittyPlacementArea&)>;

// Takes Kitty placements away: the delete command with its selection modes,
// the removal of one placement before it is placed again, and the clearing
// of one screen or of everything. A placement lives both as strips on lines
// and as a record; each removal treats both. Stored images are freed only
// by the clean-up that the upper-case modes and the screen clearing run.
class KittyPlacementRemoval {
public:
    explicit KittyPlacementRemoval(KittyPlacementHost& host) : host_(host) {}

    // "a=d" / "a=D". Returns the error text when keys are missing or the
    // mode is unknown; the upper-case modes free unused images afterwards
    // (also after an unknown mode, not after missing keys).
    std::optional<std::string> handleKittyDelete(const KittyGraphicsControl& control);

    // Removes the strips and the record of one placement from both screens.
    void removeKittyPlacement(uint32_t imageId, uint32_t placementId);

    // Every Kitty strip of one screen, every record made on it, then the
    // clean-up of unused images.
    void clearKittyImages(Buffer& screen, bool isAlternateBuffer);

    // Every picture of any kind on the lines of the active screen and the
    // alternate screen, and the whole store except the id counters.
    void clearAllKittyImages();

    // Removes the Kitty strips that the test accepts from the lines first ...
    // end - 1 of a screen (clamped to its lines); returns their keys.
    KittyPlacementKeySet removeKittyPlacements(Buffer& screen, int64_t first, int64_t end,
                                               const KittyPlacementTest& test);
    KittyPlacementKeySet removePlacementRecords(const KittyPlacementTest& test);
    // Removes the strips of the given placements from every line of both
    // screens; returns the keys it found. Records stay.
    KittyPlacementKeySet removeKittyPlacementsByKey(const KittyPlacementKeySet& keys);

private:
    enum class Lines { visibleRows, activeScreen, bothScreens };

    // Strips over the lines named, then records, then the strips elsewhere
    // of placements whose records went.
    void removeWhere(Lines lines, const KittyPlacementTest& test);
    void markLinesChanged(Buffer& screen, int firstLine, int lastLine);

    KittyPlacementHost& host_;
};

} // namespace corvel
