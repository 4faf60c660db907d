#pragma once

#include "skin/SkinManifest.h"

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace velmora {

// The small fake terminal a skin's miniature shows in its screen area: a
// prompt with the product name, a line standing for output and an input line
// with the cursor, in the skin's palette, with a soft glow of its foreground.
class SkinScreenContent {
public:
    // The lengths the screen is drawn with, all from its size in the
    // miniature and the skin's screen area.
    struct Metrics {
        qreal cornerRadius = 0;
        qreal fontSize = 0;
        qreal rowSpacing = 0;
        qreal insetX = 0;
        qreal insetY = 0;
        QSizeF outputBar;
        qreal outputBarRadius = 0;
        QSizeF cursor;
        qreal promptGap = 0;
        qreal glowRadius = 0;
    };

    SkinScreenContent() = delete;

    static Metrics metrics(QSizeF size, const SkinManifest& skin);

    // Draws the screen into rect (glow included, which spills around it).
    static void paint(QPainter& painter, const QRectF& rect, const SkinManifest& skin);
};

} // namespace velmora
