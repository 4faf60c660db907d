#include "corvel/qt/RunDecorations.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

#include "corvel/model/UnderlineStyle.h"
#include "corvel/qt/FontSet.h"

namespace corvel {

namespace {

double snappedThickness(double thickness, double scale)
{
    return std::max(std::round(thickness * scale) / scale, 0.5);
}

UnderlineStyle effectiveStyle(const TextAttributes::Underline& underline)
{
    if (underline.corvelStyle >= 0 && underline.corvelStyle <= 255)
        if (auto style = underlineStyleFromRaw(static_cast<uint8_t>(underline.corvelStyle))) return *style;
    const int v = underline.platformStyle;
    if ((v & TextAttributes::underlineDouble) == TextAttributes::underlineDouble) return UnderlineStyle::doubled;
    if (v & TextAttributes::patternDot) return UnderlineStyle::dotted;
    if (v & (TextAttributes::patternDash | TextAttributes::patternDashDot)) return UnderlineStyle::dashed;
    if (v != 0) return UnderlineStyle::single;
    return UnderlineStyle::none;
}

void strokeLine(QPainter& painter, QPointF from, QPointF to) { painter.drawLine(from, to); }

}  // namespace

UnderlineGeometry underlineGeometry(UnderlineStyle style, double position, double thickness, double descent,
                                    double scale)
{
    if (!(scale > 0)) scale = 1;
    UnderlineGeometry g;
    // Whole device pixels, never below half a point.
    g.thickness = std::max({static_cast<int>(std::lround(thickness * scale)), 1,
                            static_cast<int>(std::ceil(0.5 * scale))});
    const int t = g.thickness;
    // The room below the baseline; without one the font's placement stands.
    const int room = descent > 0 ? static_cast<int>(std::floor(descent * scale + 1e-6)) : 0;
    const auto lifted = [room](int top, int extent) { return room > 0 && top + extent > room ? room - extent : top; };
    const int top = std::max(0, static_cast<int>(std::lround(position * scale - t / 2.0)));

    switch (style) {
    case UnderlineStyle::none: break;
    case UnderlineStyle::doubled: {
        // The second line one point below the first, the pair lifted whole.
        const int gap = std::max(1, static_cast<int>(std::lround(scale)));
        const int first = lifted(top, 2 * t + gap);
        g.lineTops = {first, first + t + gap};
        break;
    }
    case UnderlineStyle::curly: {
        const double amplitude = std::max(room / 4.0, 1.0);
        g.curlAmplitude = amplitude;
        g.curlWavelength = std::max(4.0 * t, 4.0 * scale);
        // The wave, stroke included, spans 2 × amplitude + t.
        const int extent = static_cast<int>(std::ceil(2 * amplitude)) + t;
        const int bandTop = lifted(std::max(0, static_cast<int>(std::lround(top - amplitude))), extent);
        g.curlCentre = bandTop + t / 2.0 + amplitude;
        break;
    }
    case UnderlineStyle::single:
    case UnderlineStyle::dotted:
    case UnderlineStyle::dashed: g.lineTops = {lifted(top, t)}; break;
    }
    return g;
}

void drawRunAttributes(QPainter& painter, const TextAttributes& attributes, std::span<const QPointF> glyphPositions,
                       const DecorationContext& context)
{
    if (!attributes.underline && !attributes.strikeThrough) return;
    if (glyphPositions.empty() || !context.fonts) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const double scale = context.scale > 0 ? context.scale : 1;
    const double span = std::ceil(context.cellWidth);

    if (attributes.underline) {
        const TextAttributes::Underline& u = *attributes.underline;
        const QRawFont& normal = context.fonts->rawFont(FontFace::normal);
        const QColor color = u.color.isValid() ? u.color : context.nativeForeground;
        const UnderlineStyle style = effectiveStyle(u);
        const UnderlineGeometry geometry =
            underlineGeometry(style, normal.underlinePosition(), normal.lineThickness(), context.descent, scale);
        const double t = geometry.thickness / scale;
        // Device-pixel rows below the baseline become logical positions.
        const auto rowOf = [scale](double baseline, double pixels) {
            return (std::round(baseline * scale) + pixels) / scale;
        };
        QPen pen(color);
        pen.setWidthF(t);
        pen.setCapStyle(Qt::FlatCap);
        const double unit = std::max(t, 1.0);
        switch (style) {
        case UnderlineStyle::dotted:
            pen.setCapStyle(Qt::RoundCap);
            pen.setDashPattern({unit / t, 2 * unit / t});
            break;
        case UnderlineStyle::dashed: {
            const double dash = std::max(2 * t, 2.0) / t;
            pen.setDashPattern({dash, dash});
            break;
        }
        default: break;
        }
        painter.setPen(pen);
        for (const QPointF& g : glyphPositions) {
            switch (style) {
            case UnderlineStyle::none: break;
            case UnderlineStyle::single:
            case UnderlineStyle::doubled:
                for (const int top : geometry.lineTops)
                    painter.fillRect(QRectF(g.x(), rowOf(g.y(), top), span, t), color);
                break;
            case UnderlineStyle::dotted:
            case UnderlineStyle::dashed: {
                const double y = rowOf(g.y(), geometry.lineTops.front() + geometry.thickness / 2.0);
                strokeLine(painter, {g.x(), y}, {g.x() + span, y});
                break;
            }
            case UnderlineStyle::curly: {
                // Filled column by column of device pixels: each column
                // covers the wave between its edges, stroke included, so the
                // crests show with antialiasing off. The phase follows x, so
                // the waves of neighbouring cells join.
                const double basePx = std::round(g.y() * scale);
                const long long firstColumn = std::llround(g.x() * scale);
                const long long columns = std::llround(span * scale);
                const auto wave = [&geometry](double column) {
                    return geometry.curlCentre +
                           geometry.curlAmplitude * std::sin(2 * std::numbers::pi * column / geometry.curlWavelength);
                };
                for (long long column = firstColumn; column < firstColumn + columns; ++column) {
                    const double a = wave(static_cast<double>(column));
                    const double b = wave(static_cast<double>(column + 1));
                    const double top = std::round(std::min(a, b) - geometry.thickness / 2.0);
                    const double bottom = std::round(std::max(a, b) + geometry.thickness / 2.0);
                    painter.fillRect(QRectF(column / scale, (basePx + top) / scale, 1 / scale,
                                            std::max(bottom - top, 1.0) / scale),
                                     color);
                }
                break;
            }
            }
        }
    }

    if (attributes.strikeThrough) {
        const TextAttributes::StrikeThrough& s = *attributes.strikeThrough;
        const QColor color = s.color.isValid() ? s.color : context.nativeForeground;
        const QRawFont& font = context.fonts->rawFont(attributes.face);
        const double t = snappedThickness(font.lineThickness(), scale);
        const double o = (font.xHeight() + t) * 0.5;
        QPen pen(color);
        pen.setWidthF(t);
        pen.setCapStyle(Qt::FlatCap);
        if (s.style & TextAttributes::patternDash) pen.setDashPattern({2 / t, 2 / t});
        painter.setPen(pen);
        const bool twice = (s.style & TextAttributes::underlineDouble) == TextAttributes::underlineDouble;
        for (const QPointF& g : glyphPositions) {
            const double y = g.y() - o;
            strokeLine(painter, {g.x(), y}, {g.x() + span, y});
            if (twice) strokeLine(painter, {g.x(), y - (t + 1)}, {g.x() + span, y - (t + 1)});
        }
    }
    painter.restore();
}

}  // namespace corvel
