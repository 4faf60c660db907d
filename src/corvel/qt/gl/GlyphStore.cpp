#include "corvel/qt/gl/GlyphStore.h"

#include <algorithm>
#include <cmath>

namespace corvel {

std::unique_ptr<GlyphStore> GlyphStore::create(GpuDevice& device, int size, int maxSize)
{
    std::unique_ptr<GlyphStore> store(new GlyphStore);
    store->grayscale_ = GlyphAtlas::create(device, size, maxSize, GpuTextureFormat::r8);
    store->color_ = GlyphAtlas::create(device, size, maxSize, GpuTextureFormat::bgra8);
    if (!store->grayscale_ || !store->color_)
        return nullptr;
    return store;
}

std::string GlyphStore::fontName(const QRawFont& font)
{
    return (font.familyName() + QChar(0) + font.styleName() + QChar(0) + QString::number(font.weight()) + QChar(0)
            + QString::number(int(font.style())))
        .toStdString();
}

const QRawFont& GlyphStore::scaledFont(const QRawFont& font, double scale)
{
    const GlyphKey key{fontName(font), font.pixelSize() * scale, 0};
    auto [it, inserted] = scaledFonts_.try_emplace(key, font);
    if (inserted && scale != 1)
        it->second.setPixelSize(key.size);
    return it->second;
}

uint32_t GlyphStore::glyphIndex(const QRawFont& font, char32_t character)
{
    auto [it, inserted] = glyphIndexes_.try_emplace({fontName(font), character}, 0);
    if (inserted) {
        const QString text = QString::fromUcs4(&character, 1);
        quint32 glyphs[2] = {0, 0};
        int count = 2;
        if (font.glyphIndexesForChars(text.constData(), static_cast<int>(text.size()), glyphs, &count) && count == 1)
            it->second = glyphs[0];
    }
    return it->second;
}

std::optional<AtlasRegion> GlyphStore::reserve(GlyphAtlas& atlas, int width, int height)
{
    const int sizeBefore = atlas.size();
    std::optional<AtlasRegion> region = atlas.ensureRegion(width, height);
    if (atlas.size() != sizeBefore || atlas.didReset()) {
        // Earlier regions of both atlases are dropped together: draw data
        // that points at them is rebuilt as a whole.
        glyphs_.clear();
        customGlyphs_.clear();
        ++atlasGeneration_;
    }
    return region;
}

std::optional<GlyphEntry> GlyphStore::glyphEntry(const QRawFont& font, uint32_t glyph, int stretchX)
{
    const GlyphKey key{fontName(font), font.pixelSize(), glyph, stretchX};
    if (auto it = glyphs_.find(key); it != glyphs_.end())
        return it->second;
    const std::optional<GlyphBitmap> bitmap = GlyphRasterizer::rasterize(font, glyph, stretchX);
    if (!bitmap)
        return std::nullopt;
    const GlyphAtlasKind kind = bitmap->isColor ? GlyphAtlasKind::color : GlyphAtlasKind::grayscale;
    GlyphAtlas& target = atlas(kind);
    const std::optional<AtlasRegion> region = reserve(target, bitmap->width, bitmap->height);
    if (!region)
        return std::nullopt;
    target.write(*region, bitmap->pixels.data(), bitmap->width, bitmap->height);
    const GlyphEntry entry{*region, QSizeF(bitmap->width, bitmap->height), bitmap->bearing, bitmap->isColor, kind};
    glyphs_.emplace(key, entry);
    return entry;
}

std::optional<CustomGlyphEntry> GlyphStore::customGlyphEntry(uint32_t codePoint, int cellWidthPx, int cellHeightPx,
                                                             double scale, int baseThicknessPx, bool antiAlias,
                                                             LineStretch stretch)
{
    const CustomGlyphKey key{codePoint,
                             cellWidthPx,
                             cellHeightPx,
                             baseThicknessPx,
                             std::max(1, static_cast<int>(std::lround(scale))),
                             antiAlias,
                             stretch};
    if (auto it = customGlyphs_.find(key); it != customGlyphs_.end())
        return it->second;
    const std::optional<GlyphBitmap> bitmap = GlyphRasterizer::rasterizeCustom(
        codePoint, cellWidthPx, cellHeightPx, scale, baseThicknessPx, antiAlias, stretch);
    if (!bitmap)
        return std::nullopt;
    const std::optional<AtlasRegion> region = reserve(*grayscale_, bitmap->width, bitmap->height);
    if (!region)
        return std::nullopt;
    grayscale_->write(*region, bitmap->pixels.data(), bitmap->width, bitmap->height);
    const CustomGlyphEntry entry{*region, QSizeF(bitmap->width, bitmap->height)};
    customGlyphs_.emplace(key, entry);
    return entry;
}

} // namespace corvel
