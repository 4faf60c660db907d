#include "corvel/qt/RunDecorations.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>

#include "corvel/model/UnderlineStyle.h"
#include "corvel/qt/FontSet.h"

namespace corvel {

namespace {

double snappedThickness(double thickness, double scale) { return std::max(std::round(thickness * scale) / scale, 0.5); }

UnderlineStyle effectiveStyle(const TextAttributes::Underline& underline)
{
    if (underline.corvelStyle >= 0 && underline.corvelStyle <= 255)
        if (auto style = underlineStyleFromRaw(static_cast<uint8_t>(underline.corvelStyle)))
            return *style;
    const int v = underline.platformStyle;
    if ((v & TextAttributes::underlineDouble) == TextAttributes::underlineDouble)
        return UnderlineStyle::doubled;
    if (v & TextAttributes::patternDot)
        return UnderlineStyle::dotted;
    if (v & (TextAttributes::patternDash | TextAttributes::patternDashDot))
        return UnderlineStyle::dashed;
    if (v != 0)
        return UnderlineStyle::single;
    return UnderlineStyle::none;
}

} // namespace

UnderlineGeometry underlineGeometry(UnderlineStyle style, double position, double thickness, double descent,
                                    double scale)
{
    if (!(scale > 0))
        scale = 1;
    UnderlineGeometry g;
    // Whole device pixels, never below half a point.
    g.thickness
        = std::max({static_cast<int>(std::lround(thickness * scale)), 1, static_cast<int>(std::ceil(0.5 * scale))});
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

std::vector<DecorationRect> runDecorationRects(const TextAttributes& attributes,
                                               std::span<const QPointF> glyphPositions,
                                               const DecorationContext& context)
{
    std::vector<DecorationRect> out;
    if (!attributes.underline && !attributes.strikeThrough)
        return out;
    if (glyphPositions.empty() || !context.fonts)
        return out;
    const double scale = context.scale > 0 ? context.scale : 1;
    const double span = std::ceil(context.cellWidth);
    const long long spanPx = std::llround(span * scale);
    // A rectangle in device pixels, relative to a glyph's cell edge and
    // baseline, as logical pixels.
    const auto add = [&](const QPointF& g, double left, double top, double width, double height, const QColor& color) {
        if (width <= 0 || height <= 0)
            return;
        const double x = std::round(g.x() * scale) + left;
        const double y = std::round(g.y() * scale) + top;
        out.push_back({QRectF(x / scale, y / scale, width / scale, height / scale), color});
    };
    // Dashes of the given length in device pixels, `period` apart, from the
    // cell's left edge, cut at its right edge.
    const auto dashes
        = [&](const QPointF& g, double top, int thickness, long long length, long long period, const QColor& color) {
              for (long long start = 0; start < spanPx; start += period)
                  add(g, double(start), top, double(std::min(start + length, spanPx) - start), thickness, color);
          };

    if (attributes.underline) {
        const TextAttributes::Underline& u = *attributes.underline;
        const QRawFont& normal = context.fonts->rawFont(FontFace::normal);
        const QColor color = u.color.isValid() ? u.color : context.nativeForeground;
        const UnderlineStyle style = effectiveStyle(u);
        const UnderlineGeometry geometry
            = underlineGeometry(style, normal.underlinePosition(), normal.lineThickness(), context.descent, scale);
        const int t = geometry.thickness;
        // Dots one thickness (at least a logical pixel) long with gaps of
        // two; dashes twice that, with gaps as long.
        const long long unit = std::max<long long>(t, std::llround(scale));
        for (const QPointF& g : glyphPositions) {
            switch (style) {
            case UnderlineStyle::none: break;
            case UnderlineStyle::single:
            case UnderlineStyle::doubled:
                for (const int top : geometry.lineTops)
                    add(g, 0, top, double(spanPx), t, color);
                break;
            case UnderlineStyle::dotted: dashes(g, geometry.lineTops.front(), t, unit, 3 * unit, color); break;
            case UnderlineStyle::dashed: dashes(g, geometry.lineTops.front(), t, 2 * unit, 4 * unit, color); break;
            case UnderlineStyle::curly: {
                // Column by column of device pixels: each column covers the
                // wave between its edges, stroke included, so the crests show
                // without antialiasing. The phase follows x, so the waves of
                // neighbouring cells join.
                const long long firstColumn = std::llround(g.x() * scale);
                const auto wave = [&geometry](double column) {
                    return geometry.curlCentre
                        + geometry.curlAmplitude * std::sin(2 * std::numbers::pi * column / geometry.curlWavelength);
                };
                for (long long column = firstColumn; column < firstColumn + spanPx; ++column) {
                    const double a = wave(static_cast<double>(column));
                    const double b = wave(static_cast<double>(column + 1));
                    const double top = std::round(std::min(a, b) - t / 2.0);
                    const double bottom = std::round(std::max(a, b) + t / 2.0);
                    add(g, double(column - firstColumn), top, 1, std::max(bottom - top, 1.0), color);
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
        const int tPx = std::max(1, static_cast<int>(std::lround(t * scale)));
        // Centred (xHeight + t) / 2 above the baseline, one line thickness
        // and a pixel above that for the second of a double line.
        const double centre = -(font.xHeight() + t) * 0.5 * scale;
        const int top = static_cast<int>(std::lround(centre - tPx / 2.0));
        const bool twice = (s.style & TextAttributes::underlineDouble) == TextAttributes::underlineDouble;
        const long long dash = std::max<long long>(1, std::llround(2 * scale));
        for (const QPointF& g : glyphPositions) {
            for (int line = 0; line < (twice ? 2 : 1); ++line) {
                const double lineTop = top - line * (tPx + std::llround(scale));
                if (s.style & TextAttributes::patternDash)
                    dashes(g, lineTop, tPx, dash, 2 * dash, color);
                else
                    add(g, 0, lineTop, double(spanPx), tPx, color);
            }
        }
    }
    return out;
}

void drawRunAttributes(QPainter& painter, const TextAttributes& attributes, std::span<const QPointF> glyphPositions,
                       const DecorationContext& context)
{
    const std::vector<DecorationRect> rects = runDecorationRects(attributes, glyphPositions, context);
    if (rects.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const DecorationRect& r : rects)
        painter.fillRect(r.rect, r.color);
    painter.restore();
}

} // namespace corvel
