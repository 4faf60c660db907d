#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QSizeF>

#include "corvel/qt/gl/CursorDrawData.h"
#include "corvel/qt/gl/GpuDevice.h"
#include "corvel/qt/gl/GpuRecords.h"
#include "corvel/qt/gl/PictureTextures.h"
#include "corvel/qt/gl/RowDrawData.h"

namespace corvel {

class GlyphStore;
class TerminalView;

// One picture quad in a GPU buffer kept with its row.
struct ImageDrawBuffer {
    std::shared_ptr<GpuTexture> texture;
    std::shared_ptr<GpuBuffer> buffer;
    int vertexCount = 0;
};

// A row's lists in GPU buffers of their own; a list without records has no
// buffer and count 0.
struct RowDrawBuffers {
    std::shared_ptr<GpuBuffer> backgroundBuffer;
    int backgroundCount = 0;
    std::shared_ptr<GpuBuffer> glyphGrayBuffer;
    int glyphGrayCount = 0;
    std::shared_ptr<GpuBuffer> glyphColorBuffer;
    int glyphColorCount = 0;
    std::shared_ptr<GpuBuffer> decorationBuffer;
    int decorationCount = 0;
    std::vector<ImageDrawBuffer> underImageBuffers;
    std::vector<ImageDrawBuffer> placeholderImageBuffers;
    std::vector<ImageDrawBuffer> overImageBuffers;
    std::vector<ImageDrawBuffer> otherImageBuffers;
};

struct RowCacheEntry {
    std::optional<RowDrawData> data;
    std::optional<RowDrawBuffers> buffers;
};

// What the Kitty pictures on show depend on: any change rebuilds every row.
struct KittyCacheStamp {
    size_t imagesCount = 0;
    size_t placementsCount = 0;
    uint32_t nextImageId = 0;
    uint32_t nextPlacementId = 0;
    // Advances with every image stored (and looked up), so a picture sent
    // again under the same id is drawn anew.
    uint64_t nextAccessTick = 0;
    friend bool operator==(const KittyCacheStamp&, const KittyCacheStamp&) = default;
};

// Everything that moves or restyles every row at once.
struct CacheSignature {
    double scale = 0;
    double cellWidth = 0;
    double cellHeight = 0;
    double viewWidth = 0;
    double viewHeight = 0;
    int yDisp = 0;
    int rows = 0;
    int cols = 0;
    std::string fontName;
    double fontSize = 0;
    bool isAltBuffer = false;
    KittyCacheStamp kittyStamp;
    // Advances whenever the view restyles every row (colours, selection,
    // antialiasing, fonts).
    uint64_t styleGeneration = 0;
    friend bool operator==(const CacheSignature&, const CacheSignature&) = default;
};

// What one frame draws: per-row buffers, or (aggregated) every row's lists
// in one set, and the cursor.
struct DrawData {
    std::vector<RowDrawBuffers> rows;
    std::optional<RowDrawData> frame;
    CursorDrawData cursor;
};

// Absolute rows first..last of a buffer that are on screen.
std::optional<std::pair<int, int>> visibleRowRange(int yDisp, int rows, int lineCount);
// The changed rows within first..last; nothing when none of them changed.
std::optional<std::pair<int, int>> clampDirtyRange(const std::optional<std::pair<int, int>>& dirty, int first,
                                                   int last);

// Builds the draw data of the view's visible rows, keeping each row's data
// (and, per row, its GPU buffers) until the view reports the row changed or
// the signature changes. When an atlas grows or empties while glyphs are
// added, the frame is built once more, so every row refers to the atlases as
// they are after the change.
class FrameDrawBuilder {
public:
    FrameDrawBuilder(GpuDevice& device, GlyphStore& glyphs) : device_(device), glyphs_(glyphs), pictures_(device) {}

    // viewSize: the drawn area in logical pixels; scale: device pixels per
    // logical pixel.
    DrawData build(TerminalView& view, QSizeF viewSize, double scale, GpuBufferingMode mode, bool cursorBlinkOn);

    const std::map<int, RowCacheEntry>& rowCache() const { return rowCache_; }
    PictureTextures& pictures() { return pictures_; }
    // Rows whose data the last build made anew, for tests and measurements.
    int rowsBuilt() const { return rowsBuilt_; }
    int buildPasses() const { return buildPasses_; }

    RowDrawBuffers makeRowBuffers(const RowDrawData& data);

private:
    DrawData buildOnce(TerminalView& view, QSizeF viewSize, double scale, GpuBufferingMode mode, bool cursorBlinkOn);

    GpuDevice& device_;
    GlyphStore& glyphs_;
    PictureTextures pictures_;
    std::map<int, RowCacheEntry> rowCache_;
    std::optional<GpuBufferingMode> cacheBufferingMode_;
    std::optional<CacheSignature> cacheSignature_;
    int rowsBuilt_ = 0;
    int buildPasses_ = 0;
};

} // namespace corvel
