#include "corvel/qt/gl/RowPictures.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "corvel/images/ImageStrip.h"
#include "corvel/images/KittyGraphicsState.h"
#include "corvel/images/KittyPlaceholderDecoder.h"
#include "corvel/images/PngDecoder.h"
#include "corvel/qt/LinePicture.h"
#include "corvel/qt/gl/PictureTextures.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

QSize deviceSize(const QRectF& logical, double scale)
{
    return QSize(std::max(1, static_cast<int>(std::lround(logical.width() * scale))),
                 std::max(1, static_cast<int>(std::lround(logical.height() * scale))));
}

class PictureBuilder {
public:
    PictureBuilder(const BufferLine& line, int screenRow, const RowContext& context)
        : context_(context),
          scale_(context.scale),
          heightPx_(context.viewSize.height() * context.scale),
          rowTop_(context.cellSize.height() * screenRow),
          rowClip_(rowClip(screenRow, context)),
          transform_(rowTransform(line.renderMode, screenRow, context))
    {
    }

    double rowTop() const { return rowTop_; }

    // The picture stretched over `whole`, only where it meets `clip` (both
    // logical pixels, y down).
    std::optional<ImageDraw> draw(std::shared_ptr<GpuTexture> texture, const QRectF& whole, const QRectF& clip) const
    {
        if (!texture || whole.isEmpty())
            return std::nullopt;
        const QRectF picture = transform_.apply(toDrawable(whole));
        const QRectF cut = transform_.apply(toDrawable(clip));
        const ClipRect limit{std::max(rowClip_.minX, float(cut.left())),
                             std::max(rowClip_.minY, float(cut.top())),
                             std::min(rowClip_.maxX, float(cut.right())),
                             std::min(rowClip_.maxY, float(cut.bottom()))};
        // v = 0 is the picture's bottom row, at the rectangle's lower edge.
        const TexturedRect rect{
            float(picture.left()), float(picture.top()), float(picture.right()), float(picture.bottom()), 0, 0, 1, 1};
        const std::optional<TexturedRect> r = clipTextured(rect, limit);
        if (!r)
            return std::nullopt;
        const TextCell cell{{r->x0, r->y0},
                            {r->x1 - r->x0, r->y1 - r->y0},
                            {r->u0, r->v0},
                            {r->u1 - r->u0, r->v1 - r->v0},
                            {1, 1, 1, 1}};
        return ImageDraw{std::move(texture), quadVertices(cell)};
    }

private:
    QRectF toDrawable(const QRectF& r) const
    {
        return QRectF(QPointF(r.left() * scale_, heightPx_ - r.bottom() * scale_),
                      QPointF(r.right() * scale_, heightPx_ - r.top() * scale_));
    }

    const RowContext& context_;
    double scale_;
    double heightPx_;
    double rowTop_;
    ClipRect rowClip_;
    LineTransform transform_;
};

// A strip on its cells: the rows sourceTop ... of its picture (fitted into
// its content box when letterboxed) stretched over its columns.
std::optional<ImageDraw> stripDraw(const ImageStrip& strip, const PictureBuilder& builder, const RowContext& context,
                                   PictureTextures& textures)
{
    if (!strip.picture || !(strip.sourceWidth > 0) || !(strip.sourceHeight > 0) || strip.pixelWidth() <= 0)
        return std::nullopt;
    const QSizeF cell = context.cellSize;
    const double scale = context.scale;
    const double offsetX = strip.kittyIsKitty ? static_cast<double>(strip.kittyPixelOffsetX) / scale : 0;
    const double offsetY = strip.kittyIsKitty ? static_cast<double>(strip.kittyPixelOffsetY) / scale : 0;
    const double left = cell.width() * strip.col() + offsetX;
    const double top = builder.rowTop() + offsetY;
    // Content-box units to logical pixels; the strips of one picture tile
    // its rows.
    const double sx = strip.pixelWidth() / strip.sourceWidth;
    const double sy = cell.height() / strip.sourceHeight;
    const QRectF box(0, 0, strip.contentWidth, strip.contentHeight);
    const QRectF fit
        = strip.letterboxed ? LinePicturePainter::aspectFitRect(QSizeF(textures.pictureSize(strip.picture)), box) : box;
    const QRectF whole(
        left + fit.x() * sx, top + (fit.y() - strip.sourceTop) * sy, fit.width() * sx, fit.height() * sy);
    const QRectF clip(left, builder.rowTop(), strip.pixelWidth(), cell.height());
    return builder.draw(textures.texture(strip.picture, deviceSize(whole, scale)), whole, clip);
}

} // namespace

void appendRowPictures(const BufferLine& line, int screenRow, const RowContext& context, const PictureSource& source,
                       RowDrawData& out)
{
    if (!source.textures || !(context.scale > 0))
        return;
    PictureTextures& textures = *source.textures;
    const PictureBuilder builder(line, screenRow, context);

    if (line.hasImages()) {
        std::vector<std::tuple<int64_t, uint32_t, ImageDraw>> under, over;
        for (const std::shared_ptr<TerminalImage>& image : *line.images) {
            const auto* strip = dynamic_cast<const ImageStrip*>(image.get());
            if (!strip)
                continue;
            std::optional<ImageDraw> draw = stripDraw(*strip, builder, context, textures);
            if (!draw)
                continue;
            if (!strip->kittyIsKitty) {
                out.otherImageDraws.push_back(std::move(*draw));
                continue;
            }
            auto& list = strip->kittyZIndex < 0 ? under : over;
            list.emplace_back(strip->kittyZIndex, strip->kittyImageId.value_or(0), std::move(*draw));
        }
        const auto sorted = [](auto& from, std::vector<ImageDraw>& to) {
            std::stable_sort(from.begin(), from.end(), [](const auto& a, const auto& b) {
                return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
            });
            for (auto& item : from)
                to.push_back(std::move(std::get<2>(item)));
        };
        sorted(under, out.underImageDraws);
        sorted(over, out.overImageDraws);
    }

    if (!source.terminal || !source.kitty || source.kitty->placementsByKey.empty())
        return;
    const KittyGraphicsState& kitty = *source.kitty;
    const QSizeF cell = context.cellSize;
    std::optional<KittyPlaceholderCell> previous;
    std::optional<Attribute> previousAttribute;
    const int cols = std::min(line.count(), context.cols);
    for (int col = 0; col < cols; ++col) {
        const CharData& data = line[col];
        std::optional<KittyPlaceholderCell> placeholder;
        if (data.code != 0) {
            const std::u32string character = source.terminal->getCharacter(data);
            placeholder = KittyPlaceholderDecoder::decode(
                character, data.attribute, screenRow, col, previous, previousAttribute);
        }
        previous = placeholder;
        previousAttribute = placeholder ? std::optional<Attribute>(data.attribute) : std::nullopt;
        if (!placeholder)
            continue;
        const KittyPlacementRecord* placement = nullptr;
        for (const auto& [key, record] : kitty.placementsByKey) {
            if (!record.isVirtual || record.isAlternateBuffer != source.alternateScreen
                || record.imageId != placeholder->imageId)
                continue;
            if (placeholder->placementId != 0 && placeholder->placementId != record.placementId)
                continue;
            if (record.cols < 1 || record.rows < 1 || placeholder->placeholderCol >= record.cols
                || placeholder->placeholderRow >= record.rows)
                continue;
            placement = &record;
            break;
        }
        if (!placement)
            continue;
        const auto stored = kitty.imagesById.find(placeholder->imageId);
        if (stored == kitty.imagesById.end())
            continue;
        const KittyGraphicsPayload& payload = stored->second.payload;
        const double scale = context.scale;
        const QRectF area(static_cast<double>(placement->pixelOffsetX) / scale
                              + cell.width() * (placeholder->col - placeholder->placeholderCol),
                          builder.rowTop() - cell.height() * placeholder->placeholderRow
                              + static_cast<double>(placement->pixelOffsetY) / scale,
                          cell.width() * static_cast<double>(placement->cols),
                          cell.height() * static_cast<double>(placement->rows));
        if (area.isEmpty())
            continue;
        QSizeF natural(payload.width, payload.height);
        if (payload.kind == KittyGraphicsPayload::Kind::png && payload.bytes)
            if (const std::optional<PixelSize> size = PngDecoder::pixelSize(*payload.bytes))
                natural = QSizeF(size->width, size->height);
        const QRectF fitted = LinePicturePainter::aspectFitRect(natural, area);
        std::shared_ptr<GpuTexture> texture
            = textures.kittyTexture(placeholder->imageId, kitty, deviceSize(fitted, scale));
        const QRectF own(cell.width() * col, builder.rowTop(), cell.width(), cell.height());
        if (std::optional<ImageDraw> draw = builder.draw(std::move(texture), fitted, own))
            out.placeholderImageDraws.push_back(std::move(*draw));
    }
}

} // namespace corvel
