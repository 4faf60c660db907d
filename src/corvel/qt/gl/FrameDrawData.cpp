#include "corvel/qt/gl/FrameDrawData.h"

#include <algorithm>
#include <unordered_set>

#include "corvel/qt/FontSet.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GlyphStore.h"
#include "corvel/qt/gl/RowPictures.h"

namespace corvel {

std::optional<std::pair<int, int>> visibleRowRange(int yDisp, int rows, int lineCount)
{
    if (lineCount <= 0)
        return std::nullopt;
    const int first = yDisp;
    const int last = std::min(yDisp + rows - 1, lineCount - 1);
    if (last < first)
        return std::nullopt;
    return std::pair(first, last);
}

std::optional<std::pair<int, int>> clampDirtyRange(const std::optional<std::pair<int, int>>& dirty, int first, int last)
{
    if (!dirty)
        return std::nullopt;
    const int lower = std::max(dirty->first, first);
    const int upper = std::min(dirty->second, last);
    if (upper < lower)
        return std::nullopt;
    return std::pair(lower, upper);
}

namespace {

template <typename Record> void append(std::vector<Record>& to, const std::vector<Record>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

RowDrawBuffers FrameDrawBuilder::makeRowBuffers(const RowDrawData& data)
{
    RowDrawBuffers out;
    const auto upload = [this](const auto& records, std::shared_ptr<GpuBuffer>& buffer, int& count) {
        if (records.empty())
            return;
        const size_t length = records.size() * sizeof(records.front());
        buffer = device_.makeBuffer(length);
        if (!buffer)
            return;
        device_.writeBuffer(*buffer, 0, records.data(), length);
        count = static_cast<int>(records.size());
    };
    upload(data.backgroundCells, out.backgroundBuffer, out.backgroundCount);
    upload(data.glyphCellsGray, out.glyphGrayBuffer, out.glyphGrayCount);
    upload(data.glyphCellsColor, out.glyphColorBuffer, out.glyphColorCount);
    upload(data.decorationCells, out.decorationBuffer, out.decorationCount);
    const auto images = [this](const std::vector<ImageDraw>& draws, std::vector<ImageDrawBuffer>& buffers) {
        for (const ImageDraw& draw : draws) {
            std::shared_ptr<GpuBuffer> buffer = device_.makeBuffer(sizeof(draw.vertices));
            if (!buffer || !draw.texture)
                continue;
            device_.writeBuffer(*buffer, 0, draw.vertices.data(), sizeof(draw.vertices));
            buffers.push_back({draw.texture, buffer, static_cast<int>(draw.vertices.size())});
        }
    };
    images(data.underImageDraws, out.underImageBuffers);
    images(data.placeholderImageDraws, out.placeholderImageBuffers);
    images(data.overImageDraws, out.overImageBuffers);
    images(data.otherImageDraws, out.otherImageBuffers);
    return out;
}

DrawData FrameDrawBuilder::build(TerminalView& view, QSizeF viewSize, double scale, GpuBufferingMode mode,
                                 bool cursorBlinkOn)
{
    buildPasses_ = 1;
    rowsBuilt_ = 0;
    const uint64_t generation = glyphs_.atlasGeneration();
    DrawData data = buildOnce(view, viewSize, scale, mode, cursorBlinkOn);
    if (glyphs_.atlasGeneration() != generation) {
        // Rows built before the change point at regions that moved: build the
        // frame once more against the changed atlases (and no further).
        rowCache_.clear();
        buildPasses_ = 2;
        data = buildOnce(view, viewSize, scale, mode, cursorBlinkOn);
    }
    return data;
}

DrawData FrameDrawBuilder::buildOnce(TerminalView& view, QSizeF viewSize, double scale, GpuBufferingMode mode,
                                     bool cursorBlinkOn)
{
    DrawData out;
    Terminal& terminal = view.getTerminal();
    Buffer& shown = terminal.displayBuffer();
    const QSizeF cell = view.cellDimension();
    const std::optional<std::pair<int, int>> visible
        = visibleRowRange(shown.yDisp(), shown.rows(), shown.lines().count());
    const std::optional<std::pair<int, int>> dirty = view.takeGpuDirtyRange();
    if (!visible || !(scale > 0) || cell.isEmpty())
        return out;
    const auto [first, last] = *visible;

    if (cacheBufferingMode_ != mode) {
        if (mode == GpuBufferingMode::perFrameAggregated)
            for (auto& [row, entry] : rowCache_)
                entry.buffers.reset();
        cacheBufferingMode_ = mode;
    }

    const KittyGraphicsState& kitty = terminal.kittyGraphics();
    const QFont& font = view.fontSet().normal();
    const CacheSignature signature{scale,
                                   cell.width(),
                                   cell.height(),
                                   viewSize.width(),
                                   viewSize.height(),
                                   first,
                                   shown.rows(),
                                   shown.cols(),
                                   font.key().toStdString(),
                                   font.pixelSize() > 0 ? double(font.pixelSize()) : font.pointSizeF(),
                                   terminal.isDisplayBufferAlternate(),
                                   {kitty.imagesById.size(),
                                    kitty.placementsByKey.size(),
                                    kitty.nextImageId,
                                    kitty.nextPlacementId,
                                    kitty.nextImageAccessTick},
                                   view.renderGeneration()};
    bool everyRow = false;
    if (cacheSignature_ != signature) {
        rowCache_.clear();
        cacheSignature_ = signature;
        everyRow = true;
    }
    std::erase_if(rowCache_, [&](const auto& item) { return item.first < first || item.first > last; });
    const std::optional<std::pair<int, int>> changed = clampDirtyRange(dirty, first, last);
    if (rowCache_.empty())
        everyRow = true;

    const RowContext context{&view.fontSet(),
                             cell,
                             viewSize,
                             scale,
                             shown.cols(),
                             view.nativeForegroundColor(),
                             view.nativeBackgroundColor(),
                             view.antiAliasCustomBlockGlyphs()};
    pictures_.prune(kitty);
    const PictureSource pictureSource{&terminal, &kitty, terminal.isDisplayBufferAlternate(), &pictures_};
    const auto buildRow = [&](int row) {
        ++rowsBuilt_;
        const BufferLine& line = shown.lines()[row];
        const ViewLineInfo info = view.buildAttributedString(row, line, shown.cols());
        RowDrawData data = buildRowDrawData(info, line.renderMode, row - first, context, glyphs_);
        appendRowPictures(line, row - first, context, pictureSource, data);
        return data;
    };

    const bool perRow = mode == GpuBufferingMode::perRowPersistent;
    if (!perRow)
        out.frame.emplace();
    for (int row = first; row <= last; ++row) {
        RowCacheEntry& entry = rowCache_[row];
        const bool rebuild = everyRow || !entry.data || (changed && row >= changed->first && row <= changed->second);
        if (rebuild) {
            entry.data = buildRow(row);
            entry.buffers.reset();
        }
        if (perRow) {
            if (!entry.buffers)
                entry.buffers = makeRowBuffers(*entry.data);
            out.rows.push_back(*entry.buffers);
        } else {
            RowDrawData& frame = *out.frame;
            const RowDrawData& data = *entry.data;
            append(frame.backgroundCells, data.backgroundCells);
            append(frame.glyphCellsGray, data.glyphCellsGray);
            append(frame.glyphCellsColor, data.glyphCellsColor);
            append(frame.decorationCells, data.decorationCells);
            append(frame.underImageDraws, data.underImageDraws);
            append(frame.placeholderImageDraws, data.placeholderImageDraws);
            append(frame.overImageDraws, data.overImageDraws);
            append(frame.otherImageDraws, data.otherImageDraws);
        }
    }

    if (const std::optional<CursorState> cursor = cursorState(view, first, last, cursorBlinkOn))
        out.cursor = buildCursorDrawData(*cursor, context, glyphs_);

    // Picture textures of sizes no row draws any more go.
    std::unordered_set<const GpuTexture*> drawn;
    for (const auto& [row, entry] : rowCache_)
        if (entry.data)
            for (const auto* list : {&entry.data->underImageDraws,
                                     &entry.data->placeholderImageDraws,
                                     &entry.data->overImageDraws,
                                     &entry.data->otherImageDraws})
                for (const ImageDraw& draw : *list)
                    drawn.insert(draw.texture.get());
    pictures_.releaseUndrawnSizes(drawn);
    return out;
}

} // namespace corvel
