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
        const double p = normal.underlinePosition();
        const double t = snappedThickness(normal.lineThickness(), scale);
        QPen pen(color);
        pen.setWidthF(t);
        pen.setCapStyle(Qt::FlatCap);
        const UnderlineStyle style = effectiveStyle(u);
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
            const double y = g.y() + p;
            switch (style) {
            case UnderlineStyle::none: break;
            case UnderlineStyle::single:
            case UnderlineStyle::dotted:
            case UnderlineStyle::dashed: strokeLine(painter, {g.x(), y}, {g.x() + span, y}); break;
            case UnderlineStyle::doubled:
                strokeLine(painter, {g.x(), y}, {g.x() + span, y});
                strokeLine(painter, {g.x(), y + t + 1}, {g.x() + span, y + t + 1});
                break;
            case UnderlineStyle::curly: {
                const double step = unit;
                const double wavelength = std::max(4 * t, 4.0);
                QPainterPath path(QPointF(g.x(), y));
                for (double d = step; d <= span + 1e-9; d += step)
                    path.lineTo(g.x() + d, y + step * std::sin(2 * std::numbers::pi * d / wavelength));
                painter.drawPath(path);
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
