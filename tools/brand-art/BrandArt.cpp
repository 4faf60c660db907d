#include "BrandArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace BrandArt {
namespace {

QColor hex(const char* text, double alpha = 1.0)
{
    QColor c(QString::fromLatin1(text));
    c.setAlphaF(float(alpha));
    return c;
}

struct Colours {
    QColor bodyTop, bodyBottom, rim, shadow, screenRim, pad, buttonA, buttonB;
};

Colours coloursFor(Variant variant)
{
    if (variant == Variant::dark)
        return {hex("#F1ECE2"),
                hex("#CFC6B6"),
                hex("#FFFFFF", 0.7),
                hex("#000000", 0.35),
                hex("#8D8577"),
                hex("#6E685E"),
                hex("#DE5200"),
                hex("#E9A23B")};
    return {hex("#4C525C"),
            hex("#272A30"),
            hex("#FFFFFF", 0.18),
            hex("#000000", 0.28),
            hex("#0C0E11"),
            hex("#111317"),
            hex("#DE5200"),
            hex("#E9A23B")};
}

QPainterPath roundedRect(const QRectF& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace

// Drawn in a 100 × 100 design box scaled to the picture.
QImage drawMark(int side, Variant variant)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 100.0, side / 100.0);
    const Colours c = coloursFor(variant);

    // A soft shadow under the device.
    const QRectF body(12, 5, 76, 90);
    for (int i = 0; i < 4; ++i) {
        QColor s = c.shadow;
        s.setAlphaF(c.shadow.alphaF() * float(0.35 - 0.07 * i));
        p.fillPath(roundedRect(body.adjusted(-i * 0.6, 1.5 + i * 0.5, i * 0.6, 1.5 + i * 0.9), 15 + i * 0.5), s);
    }

    // The body, lit from above, with a thin bright rim on its upper edge.
    QLinearGradient bodyFill(body.topLeft(), body.bottomLeft());
    bodyFill.setColorAt(0, c.bodyTop);
    bodyFill.setColorAt(1, c.bodyBottom);
    p.fillPath(roundedRect(body, 15), bodyFill);
    QLinearGradient rimFill(body.topLeft(), QPointF(body.left(), body.top() + 30));
    rimFill.setColorAt(0, c.rim);
    rimFill.setColorAt(1, Qt::transparent);
    p.setPen(QPen(QBrush(rimFill), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(body.adjusted(0.6, 0.6, -0.6, -0.6), 14.4));

    // The screen: a dark bezel, then the glass with a green glow.
    const QRectF bezel(20, 13, 60, 44);
    p.fillPath(roundedRect(bezel, 7), c.screenRim);
    const QRectF glass = bezel.adjusted(3, 3, -3, -3);
    QRadialGradient glow(glass.center(), glass.width() * 0.7);
    glow.setColorAt(0, hex("#0E3A1C"));
    glow.setColorAt(1, hex("#04110A"));
    p.fillPath(roundedRect(glass, 4.5), glow);

    // The prompt: a chevron and a block cursor, with a faint halo.
    QPainterPath chevron;
    chevron.moveTo(29, 27);
    chevron.lineTo(38, 35);
    chevron.lineTo(29, 43);
    const QColor phosphor = hex("#3BFF6E");
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(hex("#3BFF6E", 0.22), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
    p.setPen(QPen(phosphor, 4.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
    const QRectF cursor(43, 39.5, 14, 5);
    p.fillPath(roundedRect(cursor.adjusted(-1.6, -1.6, 1.6, 1.6), 2.4), hex("#3BFF6E", 0.22));
    p.fillPath(roundedRect(cursor, 1.2), phosphor);

    // A glint across the glass.
    QPainterPath glint;
    glint.moveTo(glass.left() + 2, glass.top() + 2);
    glint.lineTo(glass.left() + 24, glass.top() + 2);
    glint.lineTo(glass.left() + 12, glass.top() + 16);
    glint.lineTo(glass.left() + 2, glass.top() + 16);
    glint.closeSubpath();
    p.fillPath(glint.intersected(roundedRect(glass, 4.5)), hex("#FFFFFF", 0.06));

    // The controls: a cross on the left, two round buttons on the right.
    QPainterPath cross;
    cross.addRoundedRect(QRectF(22, 72, 20, 7), 2, 2);
    cross.addRoundedRect(QRectF(28.5, 65.5, 7, 20), 2, 2);
    cross.setFillRule(Qt::WindingFill);
    p.fillPath(cross.simplified(), c.pad);
    const auto button = [&](const QPointF& centre, const QColor& colour) {
        QRadialGradient fill(centre - QPointF(1.5, 1.5), 6);
        fill.setColorAt(0, colour.lighter(125));
        fill.setColorAt(1, colour);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(centre, 5.2, 5.2);
    };
    button(QPointF(70, 70), c.buttonA);
    button(QPointF(59, 79), c.buttonB);

    p.end();
    return image;
}

} // namespace BrandArt
