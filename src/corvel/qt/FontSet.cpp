#include "corvel/qt/FontSet.h"

#include <algorithm>
#include <cmath>

#include <QFontDatabase>
#include <QFontMetricsF>

namespace corvel {

namespace {

QFont withPixelSize(QFont font)
{
    if (font.pixelSize() <= 0) {
        const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 13.0;
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
    }
    font.setKerning(false);
    return font;
}

} // namespace

QFont FontSet::defaultFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const QString& family : {QStringLiteral("JetBrainsMono NF"), QStringLiteral("JetBrains Mono")}) {
        if (QFontDatabase::hasFamily(family)) {
            font = QFont(family);
            break;
        }
    }
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    return font;
}

FontSet::FontSet(const QFont& font)
{
    const QFont base = withPixelSize(font);
    fonts_[0] = base;
    fonts_[1] = base;
    fonts_[1].setBold(true);
    fonts_[2] = base;
    fonts_[2].setItalic(true);
    fonts_[3] = fonts_[1];
    fonts_[3].setItalic(true);
    for (size_t i = 0; i < fonts_.size(); ++i)
        rawFonts_[i] = QRawFont::fromFont(fonts_[i]);

    const QString emojiFamily = QStringLiteral("Noto Color Emoji");
    if (QFontDatabase::hasFamily(emojiFamily)) {
        QFont emoji(emojiFamily);
        constexpr int reference = 100;
        emoji.setPixelSize(reference);
        emoji.setStyleStrategy(QFont::NoFontMerging);
        const QFontMetricsF metrics(emoji);
        const double width = metrics.horizontalAdvance(QString::fromUcs4(U"\U0001F600", 1));
        if (width > 0 && metrics.height() > 0) {
            emoji_ = emoji;
            emojiExtentPerPixel_ = QSizeF(width / reference, metrics.height() / reference);
        }
    }
}

std::optional<QFont> FontSet::emojiFontFitting(QSizeF box) const
{
    if (!emoji_ || box.isEmpty())
        return std::nullopt;
    const double size
        = std::min(box.width() / emojiExtentPerPixel_.width(), box.height() / emojiExtentPerPixel_.height());
    QFont font = *emoji_;
    font.setPixelSize(std::max(1, static_cast<int>(std::floor(size))));
    return font;
}

QSizeF FontSet::computeCellDimension(double scale) const
{
    if (!(scale > 0))
        scale = 1;
    const QRawFont& raw = rawFonts_[0];
    double advance = 0;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("W"));
    if (!glyphs.isEmpty()) {
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        if (!advances.isEmpty())
            advance = advances.first().x();
    }
    const double width = std::max(std::ceil(advance * scale) / scale, 1.0);
    const double lineHeight = std::ceil(raw.ascent() + raw.descent() + raw.leading());
    double height = std::ceil(lineHeight * scale) / scale;
    height = std::clamp(height, 1.0, maximumCellHeight);
    return {width, height};
}

double FontSet::baselineOffset() const
{
    const QRawFont& raw = rawFonts_[0];
    return std::ceil(raw.descent() + raw.leading());
}

} // namespace corvel
