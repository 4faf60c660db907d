#include "corvel/qt/gl/RowDrawData.h"

#include <algorithm>
#include <cmath>

#include "corvel/qt/EmojiPresentation.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/RunDecorations.h"
#include "corvel/qt/gl/GlyphRasterizer.h"
#include "corvel/qt/gl/GlyphStore.h"

namespace corvel {

using Mode = BufferLine::RenderLineMode;

QRectF LineTransform::apply(const QRectF& rect) const
{
    double x0 = rect.left(), x1 = rect.right(), y0 = rect.top(), y1 = rect.bottom();
    if (mode != Mode::single) {
        x0 *= 2;
        x1 *= 2;
    }
    if (mode == Mode::doubledTop || mode == Mode::doubledDown) {
        y0 = pivotY + 2 * (y0 - pivotY);
        y1 = pivotY + 2 * (y1 - pivotY);
    }
    return QRectF(QPointF(std::min(x0, x1), std::min(y0, y1)), QPointF(std::max(x0, x1), std::max(y0, y1)));
}

std::optional<TexturedRect> clipTextured(const TexturedRect& rect, const std::optional<ClipRect>& clip)
{
    if (!clip)
        return rect;
    if (!(rect.x1 - rect.x0 > 0) || !(rect.y1 - rect.y0 > 0))
        return std::nullopt;
    TexturedRect out = rect;
    out.x0 = std::max(rect.x0, clip->minX);
    out.y0 = std::max(rect.y0, clip->minY);
    out.x1 = std::min(rect.x1, clip->maxX);
    out.y1 = std::min(rect.y1, clip->maxY);
    if (out.x1 <= out.x0 || out.y1 <= out.y0)
        return std::nullopt;
    const float du = (rect.u1 - rect.u0) / (rect.x1 - rect.x0);
    const float dv = (rect.v1 - rect.v0) / (rect.y1 - rect.y0);
    out.u0 = rect.u0 + du * (out.x0 - rect.x0);
    out.u1 = rect.u0 + du * (out.x1 - rect.x0);
    out.v0 = rect.v0 + dv * (out.y0 - rect.y0);
    out.v1 = rect.v0 + dv * (out.y1 - rect.y0);
    return out;
}

std::optional<QRectF> clipPlain(const QRectF& rect, const std::optional<ClipRect>& clip)
{
    if (!clip)
        return rect;
    const double x0 = std::max<double>(rect.left(), clip->minX);
    const double y0 = std::max<double>(rect.top(), clip->minY);
    const double x1 = std::min<double>(rect.right(), clip->maxX);
    const double y1 = std::min<double>(rect.bottom(), clip->maxY);
    if (x1 <= x0 || y1 <= y0)
        return std::nullopt;
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

GpuFloat4 toGpuColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

ClipRect rowClip(int screenRow, const RowContext& context)
{
    const double s = context.scale;
    const double top = (context.viewSize.height() - context.cellSize.height() * screenRow) * s;
    const double bottom = top - context.cellSize.height() * s;
    return {0, float(bottom), float(context.viewSize.width() * s), float(top)};
}

LineTransform rowTransform(Mode mode, int screenRow, const RowContext& context)
{
    const ClipRect clip = rowClip(screenRow, context);
    LineTransform transform{mode, 0};
    if (mode == Mode::doubledTop)
        transform.pivotY = clip.maxY;
    if (mode == Mode::doubledDown)
        transform.pivotY = clip.minY;
    return transform;
}

namespace {

LineStretch stretchOf(Mode mode)
{
    switch (mode) {
    case Mode::single: return {1, 1};
    case Mode::doubleWidth: return {2, 1};
    case Mode::doubledTop:
    case Mode::doubledDown: return {2, 2};
    }
    return {1, 1};
}

std::optional<ClipRect> intersect(const ClipRect& a, const std::optional<QRectF>& b)
{
    if (!b)
        return std::nullopt;
    return ClipRect{std::max(a.minX, float(b->left())),
                    std::max(a.minY, float(b->top())),
                    std::min(a.maxX, float(b->right())),
                    std::min(a.maxY, float(b->bottom()))};
}

QString toQString(std::u32string_view text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

// Builds one row; coordinates of the view (logical pixels, y down) become
// drawable pixels (y up) in toDrawable.
class RowBuilder {
public:
    RowBuilder(Mode mode, int screenRow, const RowContext& context, GlyphStore& glyphs)
        : c_(context),
          glyphs_(glyphs),
          s_(context.scale),
          heightPx_(context.viewSize.height() * context.scale),
          rowTop_(context.cellSize.height() * screenRow),
          clip_(rowClip(screenRow, context)),
          transform_(rowTransform(mode, screenRow, context)),
          stretch_(stretchOf(mode))
    {
    }

    RowDrawData build(const ViewLineInfo& line)
    {
        backgrounds(line);
        customGlyphs(line);
        text(line);
        return std::move(out_);
    }

private:
    // Logical y-down rectangle to drawable pixels, before the line transform.
    QRectF toDrawable(const QRectF& r) const
    {
        return QRectF(QPointF(r.left() * s_, heightPx_ - r.bottom() * s_),
                      QPointF(r.right() * s_, heightPx_ - r.top() * s_));
    }

    void pushColor(std::vector<ColorCell>& list, const QRectF& logical, const QColor& color)
    {
        const std::optional<QRectF> r = clipPlain(transform_.apply(toDrawable(logical)), clip_);
        if (!r)
            return;
        list.push_back(
            {{float(r->left()), float(r->top())}, {float(r->width()), float(r->height())}, toGpuColor(color)});
    }

    void pushTextured(std::vector<TextCell>& list, const QRectF& drawable, const AtlasRegion& region, int atlasSize,
                      const GpuFloat4& color, const std::optional<ClipRect>& clip)
    {
        const float a = float(atlasSize);
        const TexturedRect rect{float(drawable.left()),
                                float(drawable.top()),
                                float(drawable.right()),
                                float(drawable.bottom()),
                                region.x / a,
                                region.y / a,
                                (region.x + region.width) / a,
                                (region.y + region.height) / a};
        const std::optional<TexturedRect> r = clipTextured(rect, clip);
        if (!r)
            return;
        list.push_back(
            {{r->x0, r->y0}, {r->x1 - r->x0, r->y1 - r->y0}, {r->u0, r->v0}, {r->u1 - r->u0, r->v1 - r->v0}, color});
    }

    void backgrounds(const ViewLineInfo& line)
    {
        forEachRunBackground(line,
                             c_.cellSize.width(),
                             c_.cols,
                             c_.viewSize.width(),
                             c_.nativeBackground,
                             [&](double x, double width, const QColor& color) {
                                 pushColor(
                                     out_.backgroundCells, QRectF(x, rowTop_, width, c_.cellSize.height()), color);
                             });
    }

    // Box-drawing and block-element glyphs, drawn by the view's own renderers
    // into the grey atlas at the cell's pixel size as this line stretches it.
    void customGlyphs(const ViewLineInfo& line)
    {
        const int m = std::max(1, static_cast<int>(std::lround(s_ * c_.cellSize.width())));
        const int n = std::max(1, static_cast<int>(std::lround(s_ * c_.cellSize.height())));
        const double topPx = std::round(rowTop_ * s_);
        const int boxThickness
            = BoxDrawingRenderer::baseThickness(s_, c_.fonts->rawFont(FontFace::normal).lineThickness());
        const auto place = [&](uint32_t code, int column, int columnWidth, const QColor& color, int thickness) {
            const int width = m * std::max(columnWidth, 1);
            const std::optional<CustomGlyphEntry> entry = glyphs_.customGlyphEntry(
                code, width, n, s_, thickness, c_.antiAliasCustomGlyphs && thickness == 0, stretch_);
            if (!entry)
                return;
            const double x0 = double(m) * column;
            const QRectF drawable(QPointF(x0, heightPx_ - topPx - n), QPointF(x0 + width, heightPx_ - topPx));
            QColor fill = color;
            fill.setAlphaF(std::clamp(fill.alphaF(), 0.0f, 1.0f));
            constexpr int margin = GlyphRasterizer::customGlyphMargin;
            pushTextured(out_.glyphCellsGray,
                         transform_.apply(drawable).adjusted(-margin, -margin, margin, margin),
                         entry->region,
                         glyphs_.grayscaleAtlas().size(),
                         toGpuColor(fill),
                         clip_);
        };
        for (const BoxDrawingRenderItem& item : line.boxDrawings)
            place(item.codePoint, item.column, item.columnWidth, item.foregroundColor, boxThickness);
        for (const BlockElementRenderItem& item : line.blockElements)
            place(item.codePoint, item.column, item.columnWidth, item.foregroundColor, 0);
    }

    // One glyph of a font (at its logical size) with its origin at
    // (x, baseline) in logical pixels. The two halves of a double-size line
    // rasterise the glyph at twice the size, as the view draws it; a
    // double-width line rasterises it widened across.
    void placeGlyph(const QRawFont& logicalFont, uint32_t glyph, double x, double baseline, const GpuFloat4& color,
                    const std::optional<ClipRect>& clip)
    {
        const bool doubled = transform_.mode == Mode::doubledTop || transform_.mode == Mode::doubledDown;
        const QRawFont& font = glyphs_.scaledFont(logicalFont, doubled ? 2 * s_ : s_);
        const int stretchX = transform_.mode == Mode::doubleWidth ? 2 : 1;
        const std::optional<GlyphEntry> entry = glyphs_.glyphEntry(font, glyph, stretchX);
        if (!entry || entry->size.width() <= 0 || entry->size.height() <= 0)
            return;
        const QRectF origin = transform_.apply(QRectF(x * s_, heightPx_ - baseline * s_, 0, 0));
        const QRectF drawable(origin.left() + entry->bearing.x(),
                              origin.top() + entry->bearing.y(),
                              entry->size.width(),
                              entry->size.height());
        const bool colour = entry->atlasKind == GlyphAtlasKind::color;
        pushTextured(colour ? out_.glyphCellsColor : out_.glyphCellsGray,
                     drawable,
                     entry->region,
                     glyphs_.atlas(entry->atlasKind).size(),
                     colour ? GpuFloat4{1, 1, 1, 1} : color,
                     clip);
    }

    // A cluster or a character the face lacks: laid out with the emoji font
    // (centred on its cells) or with the fonts Qt falls back to, and cut to
    // its cells.
    void laidOutCell(const ViewLineRun& run, char32_t c, const QRectF& cell, int columns, double baseline,
                     const GpuFloat4& color)
    {
        const std::u32string_view text = c >= ViewLineRun::clusterBase
            ? std::u32string_view(run.clusters[static_cast<size_t>(c - ViewLineRun::clusterBase)])
            : std::u32string_view(&c, 1);
        const std::optional<QFont> emoji
            = hasEmojiPresentation(text, columns) ? c_.fonts->emojiFontFitting(cell.size()) : std::nullopt;
        const std::shared_ptr<const ShaperRun> shaped
            = glyphs_.shaperCache().shape(toQString(text), emoji ? *emoji : c_.fonts->font(run.attributes.face));
        if (!shaped)
            return;
        double penX = cell.x();
        double base = baseline;
        if (emoji) {
            penX = cell.x() + (cell.width() - shaped->width) / 2;
            base = cell.y() + (cell.height() - shaped->height) / 2 + shaped->ascent;
        }
        const std::optional<ClipRect> clip = intersect(clip_, transform_.apply(toDrawable(cell)));
        for (const ShaperGlyphRun& glyphRun : shaped->glyphRuns) {
            for (size_t i = 0; i < glyphRun.glyphs.size(); ++i)
                placeGlyph(glyphRun.font,
                           glyphRun.glyphs[i],
                           penX + glyphRun.positions[i].x(),
                           base + glyphRun.positions[i].y(),
                           color,
                           clip);
        }
    }

public:
    void textAt(const QString& text, FontFace face, QPointF origin, const QRectF& clip, const QColor& color)
    {
        const GpuFloat4 fg = toGpuColor(color);
        const std::optional<ClipRect> cut = intersect(clip_, transform_.apply(toDrawable(clip)));
        const std::u32string scalars = text.toStdU32String();
        const QRawFont& raw = c_.fonts->rawFont(face);
        const uint32_t glyph = scalars.size() == 1 ? glyphs_.glyphIndex(raw, scalars.front()) : 0;
        if (glyph != 0) {
            placeGlyph(raw, glyph, origin.x(), origin.y(), fg, cut);
            return;
        }
        const std::shared_ptr<const ShaperRun> shaped = glyphs_.shaperCache().shape(text, c_.fonts->font(face));
        if (!shaped)
            return;
        for (const ShaperGlyphRun& glyphRun : shaped->glyphRuns) {
            for (size_t i = 0; i < glyphRun.glyphs.size(); ++i)
                placeGlyph(glyphRun.font,
                           glyphRun.glyphs[i],
                           origin.x() + glyphRun.positions[i].x(),
                           origin.y() + glyphRun.positions[i].y(),
                           fg,
                           cut);
        }
    }

    RowDrawData& output() { return out_; }

private:
    void text(const ViewLineInfo& line)
    {
        const FontSet& fonts = *c_.fonts;
        const double cw = c_.cellSize.width();
        const double baseline = rowTop_ + c_.cellSize.height() - fonts.baselineOffset();
        const DecorationContext decorations{&fonts, cw, s_, c_.nativeForeground, fonts.baselineOffset()};
        std::vector<QPointF> positions;
        for (const ViewLineSegment& segment : line.segments) {
            int before = 0;
            for (const ViewLineRun& run : segment.runs) {
                const TextAttributes& attrs = run.attributes;
                const GpuFloat4 fg = toGpuColor(attrs.foreground.isValid() ? attrs.foreground : c_.nativeForeground);
                const QRawFont& raw = fonts.rawFont(attrs.face);
                positions.clear();
                for (int i = 0; i < run.glyphCount(); ++i) {
                    const char32_t ch = run.text[static_cast<size_t>(i)];
                    const double x = cw * (segment.column + (before + i) * segment.columnWidth);
                    positions.emplace_back(x, baseline);
                    if (ch == U' ')
                        continue;
                    // Wide pictographs come from the emoji font, even where
                    // the face has a glyph of its own.
                    const bool emoji = segment.columnWidth == 2 && ch >= 0x2000 && ch < ViewLineRun::clusterBase
                        && fonts.emojiFont() && hasEmojiPresentation(std::u32string_view(&ch, 1), 2);
                    const uint32_t glyph = ch < ViewLineRun::clusterBase && !emoji ? glyphs_.glyphIndex(raw, ch) : 0;
                    if (glyph != 0) {
                        placeGlyph(raw, glyph, x, baseline, fg, clip_);
                        continue;
                    }
                    laidOutCell(run,
                                ch,
                                QRectF(x, rowTop_, cw * segment.columnWidth, c_.cellSize.height()),
                                segment.columnWidth,
                                baseline,
                                fg);
                }
                for (const DecorationRect& r : runDecorationRects(attrs, positions, decorations))
                    pushColor(out_.decorationCells, r.rect, r.color);
                before += run.glyphCount();
            }
        }
    }

    const RowContext& c_;
    GlyphStore& glyphs_;
    double s_;
    double heightPx_;
    double rowTop_;
    ClipRect clip_;
    LineTransform transform_;
    LineStretch stretch_;
    RowDrawData out_;
};

} // namespace

void appendTextGlyphs(const QString& text, FontFace face, QPointF origin, const QRectF& clip, const QColor& color,
                      const RowContext& context, GlyphStore& glyphs, std::vector<TextCell>& gray,
                      std::vector<TextCell>& colour)
{
    if (!context.fonts || !(context.scale > 0) || text.isEmpty())
        return;
    // A row as tall as the view, so that only the given clip cuts.
    RowContext whole = context;
    whole.cellSize.setHeight(context.viewSize.height());
    RowBuilder builder(Mode::single, 0, whole, glyphs);
    builder.textAt(text, face, origin, clip, color);
    RowDrawData& out = builder.output();
    gray.insert(gray.end(), out.glyphCellsGray.begin(), out.glyphCellsGray.end());
    colour.insert(colour.end(), out.glyphCellsColor.begin(), out.glyphCellsColor.end());
}

std::array<ColorVertex, 6> quadVertices(const ColorCell& cell)
{
    const float l = cell.position.x, b = cell.position.y, r = l + cell.size.x, t = b + cell.size.y;
    const auto v = [&](float x, float y) { return ColorVertex{{x, y}, {}, cell.color}; };
    return {v(l, b), v(r, b), v(l, t), v(r, b), v(r, t), v(l, t)};
}

std::array<GlyphVertex, 6> quadVertices(const TextCell& cell)
{
    const float l = cell.position.x, b = cell.position.y, r = l + cell.size.x, t = b + cell.size.y;
    const float u0 = cell.texOrigin.x, v0 = cell.texOrigin.y, u1 = u0 + cell.texSize.x, v1 = v0 + cell.texSize.y;
    const auto v = [&](float x, float y, float u, float w) { return GlyphVertex{{x, y}, {u, w}, cell.color}; };
    return {v(l, b, u0, v0), v(r, b, u1, v0), v(l, t, u0, v1), v(r, b, u1, v0), v(r, t, u1, v1), v(l, t, u0, v1)};
}

RowDrawData buildRowDrawData(const ViewLineInfo& line, Mode mode, int screenRow, const RowContext& context,
                             GlyphStore& glyphs)
{
    if (!context.fonts || !(context.scale > 0))
        return {};
    return RowBuilder(mode, screenRow, context, glyphs).build(line);
}

} // namespace corvel
