#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyPlacement.h"
#include "corvel/images/KittyPlacementHost.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvel {

class Buffer;

// A cell of one screen: `row` counts the screen's lines from the oldest
// scroll-back line.
struct KittyCell {
    int64_t row = 0;
    int64_t col = 0;
    bool operator==(const KittyCell&) const = default;
};

using KittyPlacementPositions = std::unordered_map<KittyPlacementKey, KittyCell, KittyPlacementKeyHash>;

// Where a new placement goes: a cell when it is positioned from a parent,
// nothing for the cursor, or the error to answer.
struct KittyPlacementOrigin {
    std::optional<int64_t> col;
    std::optional<int64_t> row;
    bool isRelative = false;
    std::optional<std::string> errorMessage;
};

// The results of one resolution run: positions found, and placements known
// to have none (on a cycle, or below a missing or foreign parent).
struct KittyResolution {
    KittyPlacementPositions resolved;
    std::unordered_set<KittyPlacementKey, KittyPlacementKeyHash> unresolvable;
};

// Placements positioned from a parent placement: where a new one goes, the
// positions through chains of parents, and, after the screen scrolls, the
// records and the children's strips brought back in line with where their
// parents' strips now are. Chains are followed with a loop, not recursion,
// so neither their length nor a cycle can exhaust the stack.
class KittyRelativePlacements {
public:
    explicit KittyRelativePlacements(KittyPlacementHost& host) : host_(host) {}

    KittyPlacementOrigin resolveKittyPlacementOrigin(const KittyGraphicsControl& control);

    // The cell of the topmost strip of each placement on a screen's lines.
    KittyPlacementPositions collectKittyPlacementPositions(Buffer& screen);

    std::optional<KittyCell> resolveKittyPlacementPosition(const KittyPlacementKey& key,
                                                           const KittyPlacementPositions& positions,
                                                           KittyResolution& run);

    void updateKittyRelativePlacementsForCurrentBuffer();

    // Moves the strips of one placement down by deltaRow lines (up when
    // negative) to the given top row and left column; strips that would
    // leave the screen's lines are dropped.
    void moveKittyPlacementImages(Buffer& screen, const KittyPlacementKey& key, int64_t deltaRow, int64_t newTopRow,
                                  int64_t newLeftCol);

private:
    bool isOnActiveScreen(const KittyPlacementRecord& record);

    KittyPlacementHost& host_;
};

} // namespace corvel
