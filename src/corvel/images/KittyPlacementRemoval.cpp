#include "corvel/images/KittyPlacementRemoval.h"

#include "corvel/images/KittyPlacementImage.h"
#include "corvel/images/LineImageRemoval.h"
#include "corvel/images/SaturatingMath.h"
#include "corvel/model/Buffer.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

namespace corvel {
namespace {

KittyPlacementArea areaOf(const KittyPlacementImage& piece)
{
    return {piece.kittyImageId,
            piece.kittyPlacementId,
            piece.kittyZIndex,
            piece.kittyCol,
            piece.kittyRow,
            piece.kittyCols,
            piece.kittyRows};
}

KittyPlacementArea areaOf(const KittyPlacementRecord& record)
{
    return {record.imageId, record.placementId, record.zIndex, record.col, record.row, record.cols, record.rows};
}

const KittyPlacementImage* kittyPiece(const std::shared_ptr<TerminalImage>& image)
{
    const auto* piece = dynamic_cast<const KittyPlacementImage*>(image.get());
    return piece && piece->kittyIsKitty ? piece : nullptr;
}

std::optional<KittyPlacementKey> keyOf(const KittyPlacementImage& piece)
{
    if (!piece.kittyImageId || !piece.kittyPlacementId)
        return std::nullopt;
    return KittyPlacementKey{*piece.kittyImageId, *piece.kittyPlacementId};
}

// Row r (1-based) of the active screen as a ring index.
int64_t lineOfScreenRow(Buffer& screen, int64_t row) { return saturatingSub(saturatingAdd(screen.yBase(), row), 1); }

} // namespace

bool KittyPlacementArea::coversColumn(int64_t column) const
{
    return column >= col && column <= lastCovered(col, cols);
}

bool KittyPlacementArea::coversLine(int64_t line) const { return line >= row && line <= lastCovered(row, rows); }

std::optional<std::string> KittyPlacementRemoval::handleKittyDelete(const KittyGraphicsControl& control)
{
    const char mode = control.deleteMode.value_or('a');
    const unsigned char raw = static_cast<unsigned char>(mode);
    const bool upperCase = std::toupper(raw) == raw;
    const int64_t x = control.cropX;
    const int64_t y = control.cropY;
    Buffer& active = host_.activeScreen();
    KittyGraphicsState& state = host_.kittyState();

    std::optional<std::string> error;
    switch (std::tolower(raw)) {
    case 'a': {
        const int64_t top = active.yBase();
        const int64_t bottom = saturatingAdd(top, host_.screenRows() - 1);
        const int64_t lastCol = host_.screenCols() - 1;
        removeWhere(Lines::visibleRows, [&](const KittyPlacementArea& area) {
            // Pieces on the visible rows all go; records go when they overlap the screen.
            return area.col <= lastCol && lastCovered(area.col, area.cols) >= 0 && area.row <= bottom
                && lastCovered(area.row, area.rows) >= top;
        });
        break;
    }
    case 'i':
    case 'n': {
        std::optional<uint32_t> imageId = control.imageId;
        if (std::tolower(raw) == 'n') {
            if (!control.imageNumber)
                return "EINVAL: missing image number";
            auto mapped = state.imageNumbers.find(*control.imageNumber);
            if (mapped == state.imageNumbers.end())
                break;
            imageId = mapped->second;
        } else if (!imageId) {
            return "EINVAL: missing image id";
        }
        const uint32_t id = *imageId;
        const std::optional<uint32_t> placement = control.placementId;
        removeWhere(Lines::bothScreens, [&](const KittyPlacementArea& area) {
            return area.imageId == id && (!placement || area.placementId == placement);
        });
        break;
    }
    case 'c': {
        const int64_t column = active.x();
        const int64_t line = static_cast<int64_t>(active.yBase()) + active.y();
        removeWhere(Lines::activeScreen,
                    [&](const KittyPlacementArea& area) { return area.coversColumn(column) && area.coversLine(line); });
        break;
    }
    case 'p':
    case 'q': {
        if (x <= 0 || y <= 0)
            return "EINVAL: missing cell position";
        const int64_t column = x - 1;
        const int64_t line = lineOfScreenRow(active, y);
        const bool withZ = std::tolower(raw) == 'q';
        const int64_t z = control.zIndex;
        removeWhere(Lines::activeScreen, [&](const KittyPlacementArea& area) {
            return area.coversColumn(column) && area.coversLine(line) && (!withZ || area.zIndex == z);
        });
        break;
    }
    case 'x': {
        if (x <= 0)
            return "EINVAL: missing column";
        const int64_t column = x - 1;
        removeWhere(Lines::activeScreen, [&](const KittyPlacementArea& area) { return area.coversColumn(column); });
        break;
    }
    case 'y': {
        if (y <= 0)
            return "EINVAL: missing row";
        const int64_t line = lineOfScreenRow(active, y);
        removeWhere(Lines::activeScreen, [&](const KittyPlacementArea& area) { return area.coversLine(line); });
        break;
    }
    case 'z': {
        const int64_t z = control.zIndex;
        removeWhere(Lines::bothScreens, [&](const KittyPlacementArea& area) { return area.zIndex == z; });
        break;
    }
    case 'r': {
        if (x <= 0 || y <= 0)
            return "EINVAL: missing id range";
        const int64_t low = std::min(x, y);
        const int64_t high = std::max(x, y);
        removeWhere(Lines::bothScreens, [&](const KittyPlacementArea& area) {
            return area.imageId && *area.imageId >= low && *area.imageId <= high;
        });
        break;
    }
    default: error = "EINVAL: unsupported delete"; break;
    }
    if (upperCase)
        host_.cleanupUnusedImages();
    return error;
}

void KittyPlacementRemoval::removeWhere(Lines lines, const KittyPlacementTest& test)
{
    Buffer& active = host_.activeScreen();
    KittyPlacementKeySet found;
    switch (lines) {
    case Lines::visibleRows: {
        // Every piece on the visible rows goes; the test speaks for records.
        const int64_t top = active.yBase();
        found = removeKittyPlacements(
            active, top, saturatingAdd(top, host_.screenRows()), [](const KittyPlacementArea&) { return true; });
        break;
    }
    case Lines::activeScreen: found = removeKittyPlacements(active, 0, active.lines().count(), test); break;
    case Lines::bothScreens: {
        found = removeKittyPlacements(host_.normalScreen(), 0, host_.normalScreen().lines().count(), test);
        KittyPlacementKeySet more
            = removeKittyPlacements(host_.alternateScreen(), 0, host_.alternateScreen().lines().count(), test);
        found.insert(more.begin(), more.end());
        break;
    }
    }
    KittyPlacementKeySet recordKeys = removePlacementRecords(test);
    KittyPlacementKeySet remains;
    for (const KittyPlacementKey& key : recordKeys) {
        if (!found.contains(key))
            remains.insert(key);
    }
    removeKittyPlacementsByKey(remains);
}

KittyPlacementKeySet KittyPlacementRemoval::removeKittyPlacements(Buffer& screen, int64_t first, int64_t end,
                                                                  const KittyPlacementTest& test)
{
    KittyPlacementKeySet keys;
    const int64_t count = screen.lines().count();
    first = std::clamp<int64_t>(first, 0, count);
    end = std::clamp<int64_t>(end, 0, count);
    if (first >= end || !screen.hasAnyImages())
        return keys;

    int firstChanged = -1;
    int lastChanged = -1;
    for (int index : host_.linesWithImages(screen)) {
        if (index < first || index >= end)
            continue;
        const bool removed = removeImagesFromLine(screen, index, [&](const std::shared_ptr<TerminalImage>& image) {
            const KittyPlacementImage* piece = kittyPiece(image);
            if (!piece || !test(areaOf(*piece)))
                return false;
            if (auto key = keyOf(*piece))
                keys.insert(*key);
            return true;
        });
        if (!removed)
            continue;
        if (firstChanged < 0)
            firstChanged = index;
        lastChanged = index;
    }
    if (firstChanged >= 0)
        markLinesChanged(screen, firstChanged, lastChanged);
    return keys;
}

void KittyPlacementRemoval::markLinesChanged(Buffer& screen, int firstLine, int lastLine)
{
    if (&screen != &host_.activeScreen())
        return;
    // Lines count from the oldest scroll-back line; the redraw range counts
    // the rows in view. Only the part of the range that is in view matters.
    const int top = screen.yDisp();
    const int first = std::max(firstLine - top, 0);
    const int last = std::min(lastLine - top, host_.screenRows() - 1);
    if (first > last)
        return;
    host_.markRowChanged(first);
    host_.markRowChanged(last);
}

KittyPlacementKeySet KittyPlacementRemoval::removePlacementRecords(const KittyPlacementTest& test)
{
    KittyPlacementKeySet keys;
    auto& records = host_.kittyState().placementsByKey;
    for (const auto& [key, record] : records) {
        if (test(areaOf(record)))
            keys.insert(key);
    }
    for (const KittyPlacementKey& key : keys)
        records.erase(key);
    return keys;
}

KittyPlacementKeySet KittyPlacementRemoval::removeKittyPlacementsByKey(const KittyPlacementKeySet& keys)
{
    if (keys.empty())
        return {};
    const auto test = [&keys](const KittyPlacementArea& area) {
        return area.imageId && area.placementId && keys.contains({*area.imageId, *area.placementId});
    };
    KittyPlacementKeySet found
        = removeKittyPlacements(host_.normalScreen(), 0, std::numeric_limits<int64_t>::max(), test);
    KittyPlacementKeySet more
        = removeKittyPlacements(host_.alternateScreen(), 0, std::numeric_limits<int64_t>::max(), test);
    found.insert(more.begin(), more.end());
    return found;
}

void KittyPlacementRemoval::removeKittyPlacement(uint32_t imageId, uint32_t placementId)
{
    const KittyPlacementKeySet found = removeKittyPlacementsByKey({{imageId, placementId}});
    auto& records = host_.kittyState().placementsByKey;
    for (const KittyPlacementKey& key : found)
        records.erase(key);
    records.erase({imageId, placementId});
}

void KittyPlacementRemoval::clearKittyImages(Buffer& screen, bool isAlternateBuffer)
{
    const KittyPlacementKeySet found
        = removeKittyPlacements(screen, 0, screen.lines().count(), [](const KittyPlacementArea&) { return true; });
    KittyPlacementKeySet recordKeys;
    auto& records = host_.kittyState().placementsByKey;
    for (const auto& [key, record] : records) {
        if (record.isAlternateBuffer == isAlternateBuffer)
            recordKeys.insert(key);
    }
    KittyPlacementKeySet remains;
    for (const KittyPlacementKey& key : recordKeys) {
        records.erase(key);
        if (!found.contains(key))
            remains.insert(key);
    }
    removeKittyPlacementsByKey(remains);
    host_.cleanupUnusedImages();
}

void KittyPlacementRemoval::clearAllKittyImages()
{
    for (Buffer* screen : {&host_.activeScreen(), &host_.alternateScreen()}) {
        if (!screen->hasAnyImages())
            continue;
        for (int index : host_.linesWithImages(*screen))
            screen->clearImagesFromLine(index);
    }
    host_.kittyState().clearAllImages();
    Buffer& active = host_.activeScreen();
    host_.markRowChanged(active.scrollTop());
    host_.markRowChanged(active.scrollBottom());
}

} // namespace corvel
