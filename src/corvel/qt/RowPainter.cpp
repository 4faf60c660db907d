#include "corvel/qt/RowPainter.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include "corvel/qt/EmojiPresentation.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/RunDecorations.h"

namespace corvel {

namespace {

QString toQString(std::u32string_view text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void RowPainter::setGeometry(const Geometry& geometry)
{
    geometry_ = geometry;
    if (geometry.fonts != cachedFonts_)
        clearGlyphCache();
}

void RowPainter::clearGlyphCache()
{
    cachedFonts_ = geometry_.fonts;
    for (auto& table : asciiGlyphs_)
        table.fill(unknownGlyph);
    for (auto& map : glyphs_)
        map.clear();
}

quint32 RowPainter::glyphFor(FontFace face, char32_t scalar)
{
    const size_t f = static_cast<size_t>(face);
    if (scalar < 128) {
        quint32& slot = asciiGlyphs_[f][scalar];
        if (slot == unknownGlyph) {
            const QChar c(static_cast<char16_t>(scalar));
            quint32 glyph = 0;
            int count = 1;
            geometry_.fonts->rawFont(face).glyphIndexesForChars(&c, 1, &glyph, &count);
            slot = count == 1 ? glyph : 0;
        }
        return slot;
    }
    auto [it, inserted] = glyphs_[f].try_emplace(scalar, 0);
    if (inserted) {
        const QString text = QString::fromUcs4(&scalar, 1);
        quint32 glyphs[2] = {0, 0};
        int count = 2;
        if (geometry_.fonts->rawFont(face).glyphIndexesForChars(
                text.constData(), static_cast<int>(text.size()), glyphs, &count)
            && count == 1)
            it->second = glyphs[0];
    }
    return it->second;
}

void RowPainter::paint(QPainter& painter, const ViewLineInfo& line, double rowTop,
                       const std::function<void()>& belowText)
{
    if (!geometry_.fonts)
        return;
    paintBackgrounds(painter, line, rowTop);
    if (belowText)
        belowText();
    const QPointF rowOrigin(0, rowTop);
    if (!line.boxDrawings.empty()) {
        const double underline = geometry_.fonts->rawFont(FontFace::normal).lineThickness();
        BoxDrawingRenderer::drawRow(painter,
                                    line.boxDrawings,
                                    rowOrigin,
                                    geometry_.cellSize,
                                    geometry_.scale,
                                    BoxDrawingRenderer::baseThickness(geometry_.scale, underline));
    }
    drawBlockElements(
        painter, line.blockElements, rowOrigin, geometry_.cellSize, geometry_.scale, geometry_.antialiasCustomGlyphs);
    paintText(painter, line, rowTop);
}

void RowPainter::paintBackgrounds(QPainter& painter, const ViewLineInfo& line, double rowTop) const
{
    const double cw = geometry_.cellSize.width();
    const double ch = geometry_.cellSize.height();
    painter.setRenderHint(QPainter::Antialiasing, false);
    forEachRunBackground(
        line,
        cw,
        geometry_.cols,
        geometry_.viewWidth,
        geometry_.nativeBackground,
        [&](double x, double width, const QColor& color) { painter.fillRect(QRectF(x, rowTop, width, ch), color); });
}

void RowPainter::drawLaidOutCell(QPainter& painter, const ViewLineRun& run, char32_t c, const QRectF& cell, int columns,
                                 double baseline, FontFace face)
{
    // Clusters and characters the face lacks: laid out with the emoji font
    // or the fallback fonts Qt substitutes, and kept inside their cells.
    const std::u32string_view text = c >= ViewLineRun::clusterBase
        ? std::u32string_view(run.clusters[static_cast<size_t>(c - ViewLineRun::clusterBase)])
        : std::u32string_view(&c, 1);
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    const std::optional<QFont> emoji
        = hasEmojiPresentation(text, columns) ? geometry_.fonts->emojiFontFitting(cell.size()) : std::nullopt;
    if (emoji) {
        painter.setFont(*emoji);
        painter.drawText(cell, Qt::AlignCenter, toQString(text));
    } else {
        painter.setFont(geometry_.fonts->font(face));
        painter.drawText(QPointF(cell.x(), baseline), toQString(text));
    }
    painter.restore();
}

void RowPainter::paintText(QPainter& painter, const ViewLineInfo& line, double rowTop)
{
    const double cw = geometry_.cellSize.width();
    const double baseline = rowTop + geometry_.cellSize.height() - geometry_.fonts->baselineOffset();
    const DecorationContext decorations{
        geometry_.fonts, cw, geometry_.scale, geometry_.nativeForeground, geometry_.fonts->baselineOffset()};
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    for (const ViewLineSegment& segment : line.segments) {
        int before = 0;
        for (const ViewLineRun& run : segment.runs) {
            const TextAttributes& attrs = run.attributes;
            const QColor fg = attrs.foreground.isValid() ? attrs.foreground : geometry_.nativeForeground;
            const QRawFont& raw = geometry_.fonts->rawFont(attrs.face);
            runGlyphs_.clear();
            runPositions_.clear();
            decorationPositions_.clear();
            painter.setPen(fg);
            for (int i = 0; i < run.glyphCount(); ++i) {
                const char32_t c = run.text[static_cast<size_t>(i)];
                const double x = cw * (segment.column + (before + i) * segment.columnWidth);
                decorationPositions_.emplace_back(x, baseline);
                if (c == U' ')
                    continue;
                quint32 glyph = 0;
                // Wide pictographs come from the emoji font, even where the
                // face has a glyph of its own.
                const bool emoji = segment.columnWidth == 2 && c >= 0x2000 && c < ViewLineRun::clusterBase
                    && geometry_.fonts->emojiFont() && hasEmojiPresentation(std::u32string_view(&c, 1), 2);
                if (c < ViewLineRun::clusterBase && !emoji)
                    glyph = glyphFor(attrs.face, c);
                if (glyph != 0) {
                    runGlyphs_.push_back(glyph);
                    runPositions_.emplace_back(x, baseline);
                    continue;
                }
                drawLaidOutCell(painter,
                                run,
                                c,
                                QRectF(x, rowTop, cw * segment.columnWidth, geometry_.cellSize.height()),
                                segment.columnWidth,
                                baseline,
                                attrs.face);
            }
            if (!runGlyphs_.empty()) {
                QGlyphRun glyphRun;
                glyphRun.setRawFont(raw);
                glyphRun.setRawData(runGlyphs_.data(), runPositions_.data(), static_cast<int>(runGlyphs_.size()));
                painter.drawGlyphRun(QPointF(0, 0), glyphRun);
            }
            drawRunAttributes(painter, attrs, decorationPositions_, decorations);
            before += run.glyphCount();
        }
    }
}

} // namespace corvel
