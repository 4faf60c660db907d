#include "corvel/images/KittyRelativePlacements.h"

#include "corvel/images/KittyPlacementImage.h"
#include "corvel/images/LineImageRemoval.h"
#include "corvel/images/SaturatingMath.h"
#include "corvel/model/Buffer.h"

#include <vector>

namespace corvel {
namespace {

KittyPlacementImage* kittyPieceWithKey(const std::shared_ptr<TerminalImage>& image)
{
    auto* piece = dynamic_cast<KittyPlacementImage*>(image.get());
    if (!piece || !piece->kittyIsKitty || !piece->kittyImageId || !piece->kittyPlacementId)
        return nullptr;
    return piece;
}

bool hasParent(const KittyPlacementRecord& record) { return record.parentImageId && record.parentPlacementId; }

} // namespace

bool KittyRelativePlacements::isOnActiveScreen(const KittyPlacementRecord& record)
{
    return record.isAlternateBuffer == host_.isAlternateScreenActive();
}

KittyPlacementOrigin KittyRelativePlacements::resolveKittyPlacementOrigin(const KittyGraphicsControl& control)
{
    if (!control.parentImageId || !control.parentPlacementId)
        return {};
    const KittyPlacementKey parent{*control.parentImageId, *control.parentPlacementId};
    const auto& records = host_.kittyState().placementsByKey;
    auto record = records.find(parent);
    if (record == records.end())
        return {std::nullopt, std::nullopt, false, "ENOPARENT: parent placement not found"};
    if (!isOnActiveScreen(record->second))
        return {std::nullopt, std::nullopt, false, "ENOPARENT: parent placement not in current buffer"};
    const KittyPlacementPositions positions = collectKittyPlacementPositions(host_.activeScreen());
    KittyResolution run;
    std::optional<KittyCell> cell = resolveKittyPlacementPosition(parent, positions, run);
    if (!cell)
        return {std::nullopt, std::nullopt, false, "ENOPARENT: parent placement not found"};
    return {saturatingAdd(cell->col, control.offsetH), saturatingAdd(cell->row, control.offsetV), true, std::nullopt};
}

KittyPlacementPositions KittyRelativePlacements::collectKittyPlacementPositions(Buffer& screen)
{
    KittyPlacementPositions positions;
    for (int index : host_.linesWithImages(screen)) {
        const BufferLine& line = screen.lines()[index];
        if (!line.images)
            continue;
        for (const auto& image : *line.images) {
            if (const KittyPlacementImage* piece = kittyPieceWithKey(image))
                positions.try_emplace({*piece->kittyImageId, *piece->kittyPlacementId}, KittyCell{index, piece->col()});
        }
    }
    return positions;
}

std::optional<KittyCell>
KittyRelativePlacements::resolveKittyPlacementPosition(const KittyPlacementKey& key,
                                                       const KittyPlacementPositions& positions, KittyResolution& run)
{
    const auto& records = host_.kittyState().placementsByKey;
    // Walk up the chain of parents until a placement whose position is known
    // or that has no parent; then walk back down adding the offsets.
    std::vector<KittyPlacementKey> chain;
    std::unordered_set<KittyPlacementKey, KittyPlacementKeyHash> visiting;
    std::optional<KittyCell> base;
    KittyPlacementKey current = key;
    while (true) {
        if (auto known = run.resolved.find(current); known != run.resolved.end()) {
            base = known->second;
            break;
        }
        auto record = records.find(current);
        if (run.unresolvable.contains(current) || record == records.end() || !isOnActiveScreen(record->second)
            || !visiting.insert(current).second) {
            for (const KittyPlacementKey& link : chain)
                run.unresolvable.insert(link);
            return std::nullopt;
        }
        chain.push_back(current);
        const KittyPlacementRecord& placement = record->second;
        if (!hasParent(placement)) {
            base = KittyCell{placement.row, placement.col};
            if (!placement.isVirtual) {
                if (auto found = positions.find(current); found != positions.end())
                    base = found->second;
            }
            run.resolved[current] = *base;
            chain.pop_back();
            break;
        }
        current = {*placement.parentImageId, *placement.parentPlacementId};
    }
    KittyCell cell = *base;
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        const KittyPlacementRecord& placement = records.at(*link);
        cell = {saturatingAdd(cell.row, placement.parentOffsetV), saturatingAdd(cell.col, placement.parentOffsetH)};
        run.resolved[*link] = cell;
    }
    return cell;
}

void KittyRelativePlacements::updateKittyRelativePlacementsForCurrentBuffer()
{
    auto& records = host_.kittyState().placementsByKey;
    bool anyOnScreen = false;
    for (const auto& [key, record] : records) {
        if (isOnActiveScreen(record)) {
            anyOnScreen = true;
            break;
        }
    }
    if (!anyOnScreen)
        return;

    Buffer& screen = host_.activeScreen();
    const KittyPlacementPositions positions = collectKittyPlacementPositions(screen);
    for (auto& [key, record] : records) {
        if (!isOnActiveScreen(record) || record.isVirtual)
            continue;
        if (auto found = positions.find(key); found != positions.end()) {
            record.row = found->second.row;
            record.col = found->second.col;
        }
    }

    // Records are changed only after every position has been resolved, so
    // that the order of the records cannot matter.
    struct Move {
        KittyPlacementKey key;
        KittyCell from;
        KittyCell to;
        bool isVirtual;
    };
    std::vector<Move> moves;
    KittyResolution run;
    for (const auto& [key, record] : records) {
        if (!isOnActiveScreen(record) || !hasParent(record))
            continue;
        std::optional<KittyCell> resolved = resolveKittyPlacementPosition(key, positions, run);
        if (!resolved)
            continue;
        KittyCell current{record.row, record.col};
        if (!record.isVirtual) {
            if (auto found = positions.find(key); found != positions.end())
                current = found->second;
        }
        moves.push_back({key, current, *resolved, record.isVirtual});
    }
    for (const Move& move : moves) {
        if (!move.isVirtual && move.to != move.from)
            moveKittyPlacementImages(
                screen, move.key, saturatingSub(move.to.row, move.from.row), move.to.row, move.to.col);
        KittyPlacementRecord& record = records.at(move.key);
        record.row = move.to.row;
        record.col = move.to.col;
    }
}

void KittyRelativePlacements::moveKittyPlacementImages(Buffer& screen, const KittyPlacementKey& key, int64_t deltaRow,
                                                       int64_t newTopRow, int64_t newLeftCol)
{
    struct Taken {
        std::shared_ptr<TerminalImage> piece;
        int64_t target;
    };
    std::vector<Taken> taken;
    const std::vector<int> indices = host_.linesWithImages(screen);
    for (int index : indices) {
        removeImagesFromLine(screen, index, [&](const std::shared_ptr<TerminalImage>& image) {
            const KittyPlacementImage* piece = kittyPieceWithKey(image);
            if (!piece || *piece->kittyImageId != key.imageId || *piece->kittyPlacementId != key.placementId)
                return false;
            taken.push_back({image, saturatingAdd(index, deltaRow)});
            return true;
        });
    }
    const int64_t count = screen.lines().count();
    for (Taken& entry : taken) {
        if (entry.target < 0 || entry.target >= count)
            continue;
        auto* piece = static_cast<KittyPlacementImage*>(entry.piece.get());
        piece->setCol(clampToInt(newLeftCol));
        piece->kittyCol = newLeftCol;
        piece->kittyRow = newTopRow;
        screen.attachImage(std::move(entry.piece), static_cast<int>(entry.target));
    }
}

} // namespace corvel
