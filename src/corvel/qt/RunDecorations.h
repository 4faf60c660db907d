#pragma once

#include <span>

#include <QColor>
#include <QPointF>

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
};

// Draws the underline (single, double, curly, dotted, dashed) and the
// strike-through of one run. glyphPositions hold, per glyph, the left edge
// of its cell and the baseline. Antialiasing is off and line widths are
// whole device pixels, never below half a pixel.
void drawRunAttributes(QPainter& painter, const TextAttributes& attributes, std::span<const QPointF> glyphPositions,
                       const DecorationContext& context);

}  // namespace corvel
