#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>

#include <QPointF>
#include <QRawFont>
#include <QSizeF>

#include "corvel/qt/gl/GlyphAtlas.h"
#include "corvel/qt/gl/GlyphRasterizer.h"
#include "corvel/qt/gl/ShaperCache.h"

namespace corvel {

// Which of the two atlases holds a glyph.
enum class GlyphAtlasKind : uint8_t { grayscale, color };

// A glyph of a font at a size.
struct GlyphKey {
    std::string fontName;
    double size = 0;
    uint32_t glyph = 0;
    // 2 for a glyph widened for a double-width line.
    int stretchX = 1;
    friend auto operator<=>(const GlyphKey&, const GlyphKey&) = default;
};

struct GlyphEntry {
    AtlasRegion region;
    QSizeF size;
    // The bitmap's lower-left corner relative to the glyph origin, pixels.
    QPointF bearing;
    bool isColor = false;
    GlyphAtlasKind atlasKind = GlyphAtlasKind::grayscale;
};

// A box-drawing or block-element glyph at an exact pixel size.
struct CustomGlyphKey {
    uint32_t codePoint = 0;
    int cellWidthPx = 0;
    int cellHeightPx = 0;
    int baseThicknessPx = 0;
    // The backing scale rounded to the nearest whole number, at least 1.
    int scale = 1;
    bool antiAlias = false;
    LineStretch stretch;
    friend auto operator<=>(const CustomGlyphKey& a, const CustomGlyphKey& b)
    {
        return std::tie(a.codePoint,
                        a.cellWidthPx,
                        a.cellHeightPx,
                        a.baseThicknessPx,
                        a.scale,
                        a.antiAlias,
                        a.stretch.x,
                        a.stretch.y)
            <=> std::tie(b.codePoint,
                         b.cellWidthPx,
                         b.cellHeightPx,
                         b.baseThicknessPx,
                         b.scale,
                         b.antiAlias,
                         b.stretch.x,
                         b.stretch.y);
    }
    friend bool operator==(const CustomGlyphKey&, const CustomGlyphKey&) = default;
};

struct CustomGlyphEntry {
    AtlasRegion region;
    QSizeF size;
};

// The renderer's glyphs: the grey and colour atlases, rasterised glyphs and
// custom glyphs with their regions, fonts scaled to device pixels and shaped
// texts. When an atlas grows or empties itself, every cached glyph moves out
// of reach: both glyph caches are emptied and atlasGeneration() advances, so
// that draw data built against the old atlases is built again.
class GlyphStore {
public:
    static constexpr int atlasSize = 1024;
    static constexpr int atlasMaxSize = 2048;

    // Nothing when an atlas cannot be made.
    static std::unique_ptr<GlyphStore> create(GpuDevice& device, int size = atlasSize, int maxSize = atlasMaxSize);

    GlyphAtlas& grayscaleAtlas() { return *grayscale_; }
    GlyphAtlas& colorAtlas() { return *color_; }
    GlyphAtlas& atlas(GlyphAtlasKind kind) { return kind == GlyphAtlasKind::color ? *color_ : *grayscale_; }
    ShaperCache& shaperCache() { return shaper_; }

    // The font at scale times its pixel size, kept for reuse.
    const QRawFont& scaledFont(const QRawFont& font, double scale);
    static std::string fontName(const QRawFont& font);

    // The glyph of a character in a font, 0 when the font has none.
    uint32_t glyphIndex(const QRawFont& font, char32_t character);

    // The atlas entry of one glyph of a (scaled) font; nothing for a glyph
    // without pixels or without room (not cached: tried again next time).
    std::optional<GlyphEntry> glyphEntry(const QRawFont& font, uint32_t glyph, int stretchX = 1);
    // The grey-atlas entry of a box-drawing or block-element character.
    std::optional<CustomGlyphEntry> customGlyphEntry(uint32_t codePoint, int cellWidthPx, int cellHeightPx,
                                                     double scale, int baseThicknessPx, bool antiAlias,
                                                     LineStretch stretch = {});

    uint64_t atlasGeneration() const { return atlasGeneration_; }
    size_t glyphCount() const { return glyphs_.size(); }
    size_t customGlyphCount() const { return customGlyphs_.size(); }

private:
    GlyphStore() = default;
    // Reserves a region, emptying the caches when the atlas changed.
    std::optional<AtlasRegion> reserve(GlyphAtlas& atlas, int width, int height);

    std::unique_ptr<GlyphAtlas> grayscale_;
    std::unique_ptr<GlyphAtlas> color_;
    ShaperCache shaper_;
    std::map<GlyphKey, GlyphEntry> glyphs_;
    std::map<GlyphKey, QRawFont> scaledFonts_;
    std::map<std::pair<std::string, char32_t>, uint32_t> glyphIndexes_;
    std::map<CustomGlyphKey, CustomGlyphEntry> customGlyphs_;
    uint64_t atlasGeneration_ = 0;
};

} // namespace corvel
