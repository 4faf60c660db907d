#pragma once

#include <span>
#include <vector>

#include <QColor>
#include <QPointF>
#include <QRectF>

#include "corvel/model/UnderlineStyle.h"
#include "corvel/qt/TextAttributes.h"

class QPainter;

namespace corvel {

class FontSet;

// What drawing a run's underline and strike-through needs from the view.
struct DecorationContext {
    const FontSet* fonts = nullptr;
    double cellWidth = 1;
    double scale = 1;
    QColor nativeForeground;
    // Room from the baseline down to the bottom of the cell; underlines stay
    // inside it. Zero when unknown: then the font's own placement is kept.
    double descent = 0;
};

// Where an underline lies, in device pixels below the baseline (negative
// above it), for one cell: whole-pixel lines that stay inside the room below
// the baseline whenever they fit there.
struct UnderlineGeometry {
    // Thickness of every stroke.
    int thickness = 1;
    // Top edges of the straight lines: one, or two for a double underline.
    std::vector<int> lineTops;
    // The wave of a curly underline: centre line, amplitude and wavelength.
    double curlCentre = 0;
    double curlAmplitude = 0;
    double curlWavelength = 0;
};

// The font's underline position (below the baseline) and thickness and the
// room below the baseline, in logical pixels, at a backing scale.
//
// A double underline's lines are one point apart, and the pair is lifted
// when the second would leave the cell; a curly underline waves a quarter
// of the room below the baseline up and down (at least one device pixel),
// lifted as a whole when it would leave the cell.
UnderlineGeometry underlineGeometry(UnderlineStyle style, double position, double thickness, double descent,
                                    double scale);

// One filled rectangle of a decoration, in logical pixels, on whole device
// pixels.
struct DecorationRect {
    QRectF rect;
    QColor color;
};

// The rectangles of the underline (single, double, curly, dotted, dashed)
// and the strike-through of one run, underlines first. glyphPositions hold,
// per glyph, the left edge of its cell and the baseline; each glyph gets one
// cell's width (rounded up to whole logical pixels) of decoration, and its
// pattern starts at the cell's left edge. Every edge lies on a device pixel
// and every line is at least one device pixel and half a logical pixel thick.
std::vector<DecorationRect> runDecorationRects(const TextAttributes& attributes,
                                               std::span<const QPointF> glyphPositions,
                                               const DecorationContext& context);

// Fills the rectangles of runDecorationRects.
void drawRunAttributes(QPainter& painter, const TextAttributes& attributes, std::span<const QPointF> glyphPositions,
                       const DecorationContext& context);

} // namespace corvel
