#include "SkinArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace SkinArt {
namespace {

// Pixels per design unit.
constexpr double S = 2;

QColor hex(const char* text, double alpha = 1.0)
{
    QColor c(QString::fromLatin1(text));
    c.setAlphaF(float(alpha));
    return c;
}

QImage canvas(const QSizeF& design)
{
    QImage image(int(design.width() * S), int(design.height() * S), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(S, S);
}

QPainterPath roundedRect(const QRectF& r, double tl, double tr, double br, double bl)
{
    QPainterPath path;
    path.moveTo(r.left() + tl, r.top());
    path.lineTo(r.right() - tr, r.top());
    path.arcTo(QRectF(r.right() - 2 * tr, r.top(), 2 * tr, 2 * tr), 90, -90);
    path.lineTo(r.right(), r.bottom() - br);
    path.arcTo(QRectF(r.right() - 2 * br, r.bottom() - 2 * br, 2 * br, 2 * br), 0, -90);
    path.lineTo(r.left() + bl, r.bottom());
    path.arcTo(QRectF(r.left(), r.bottom() - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    path.lineTo(r.left(), r.top() + tl);
    path.arcTo(QRectF(r.left(), r.top(), 2 * tl, 2 * tl), 180, -90);
    path.closeSubpath();
    return path;
}

QPainterPath roundedRect(const QRectF& r, double radius) { return roundedRect(r, radius, radius, radius, radius); }

QPainterPath ellipse(const QRectF& r)
{
    QPainterPath path;
    path.addEllipse(r);
    return path;
}

// One pass of a box blur along rows (or columns) of premultiplied pixels.
void boxPass(QImage& image, int radius, bool horizontal)
{
    const int w = image.width();
    const int h = image.height();
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    std::vector<QRgb> source(std::size_t(length), 0);
    const int window = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        auto at = [&](int i) -> QRgb& {
            return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(line))[i]
                              : reinterpret_cast<QRgb*>(image.scanLine(i))[line];
        };
        for (int i = 0; i < length; ++i)
            source[std::size_t(i)] = at(i);
        long sum[4] = {0, 0, 0, 0};
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= length)
                return;
            const QRgb c = source[std::size_t(i)];
            sum[0] += sign * qAlpha(c);
            sum[1] += sign * qRed(c);
            sum[2] += sign * qGreen(c);
            sum[3] += sign * qBlue(c);
        };
        for (int i = -radius; i <= radius; ++i)
            add(i, 1);
        for (int i = 0; i < length; ++i) {
            at(i) = qRgba(int(sum[1] / window), int(sum[2] / window), int(sum[3] / window), int(sum[0] / window));
            add(i - radius, -1);
            add(i + radius + 1, 1);
        }
    }
}

// Three box passes each way: close to a Gaussian of the given radius.
void blur(QImage& image, double radius)
{
    const int r = std::max(1, int(std::lround(radius * S / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(image, r, true);
        boxPass(image, r, false);
    }
}

QImage layerLike(const QPainter& p)
{
    const auto* device = static_cast<const QImage*>(p.device());
    QImage layer(device->size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

void drawLayer(QPainter& p, const QImage& layer)
{
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, layer);
    p.restore();
}

// A soft shadow of the shape, cast by light from above.
void dropShadow(QPainter& p, const QPainterPath& shape, const QPointF& offset, double radius, const QColor& colour)
{
    QImage layer = layerLike(p);
    {
        QPainter lp(&layer);
        begin(lp);
        lp.translate(offset);
        lp.fillPath(shape, colour);
    }
    blur(layer, radius);
    drawLayer(p, layer);
}

// Shade inside the shape along its edge, as if the shape were sunk into the
// surface (offset down: the upper edge casts it).
void innerShadow(QPainter& p, const QPainterPath& shape, const QPointF& offset, double radius, const QColor& colour)
{
    QImage layer = layerLike(p);
    {
        QPainter lp(&layer);
        begin(lp);
        QPainterPath outside;
        outside.addRect(
            shape.boundingRect().adjusted(-4 * radius - 20, -4 * radius - 20, 4 * radius + 20, 4 * radius + 20));
        outside = outside.subtracted(shape.translated(offset));
        lp.fillPath(outside, colour);
    }
    blur(layer, radius);
    // Keep the shade inside the shape only: every pixel of the layer is
    // multiplied by the shape's coverage.
    QImage coverage = layerLike(p);
    {
        QPainter cp(&coverage);
        begin(cp);
        cp.fillPath(shape, Qt::black);
    }
    {
        QPainter lp(&layer);
        lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        lp.drawImage(0, 0, coverage);
    }
    drawLayer(p, layer);
}

// A glow of soft light around the shape.
void glow(QPainter& p, const QPainterPath& shape, double radius, const QColor& colour)
{
    dropShadow(p, shape, QPointF(0, 0), radius, colour);
}

// Text as outlines, so it is the same at every size.
QPainterPath textPath(const QString& text, double size, bool bold, double letterSpacing = 0)
{
    constexpr double reference = 100;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(reference));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing * reference / size);
    QPainterPath path;
    path.addText(0, 0, font, text);
    QTransform scale;
    scale.scale(size / reference, size / reference);
    return scale.map(path);
}

enum class Align { left, centre, right };

// Text placed with its cap height centred on y (design units).
QPainterPath placedText(const QString& text, double size, bool bold, double letterSpacing, double x, double centreY,
                        Align align)
{
    QPainterPath path = textPath(text, size, bold, letterSpacing);
    const QRectF box = path.boundingRect();
    double dx = x - box.left();
    if (align == Align::centre)
        dx = x - box.center().x();
    else if (align == Align::right)
        dx = x - box.right();
    return path.translated(dx, centreY - box.center().y());
}

// Lettering pressed into the surface: a dark fill with a faint light lip below.
void engrave(QPainter& p, const QPainterPath& text, const QColor& colour, const QColor& lip)
{
    p.fillPath(text.translated(0, 0.6), lip);
    p.fillPath(text, colour);
}

void clear(QPainter& p, const QPainterPath& shape)
{
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(shape, Qt::black);
    p.restore();
}

QLinearGradient vertical(double top, double bottom, const std::vector<std::pair<double, QColor>>& stops)
{
    QLinearGradient g(0, top, 0, bottom);
    for (const auto& [at, colour] : stops)
        g.setColorAt(at, colour);
    return g;
}

// The device's outer shell: a vertical gradient lit from the upper left,
// rounded edges (light along the top, shade along the bottom) and a dark
// outline, over a soft shadow for desktops that blend windows.
struct ShellLook {
    std::vector<std::pair<double, QColor>> stops;
    QPointF sheenCentre;
    double sheenRadius = 360;
    double sheenAlpha = 0.1;
    double shadowAlpha = 0.45;
    double edgeLight = 0.2;
    double edgeShade = 0.55;
    double edgeShadeBlur = 4;
    QColor outline;
};

void deviceShell(QPainter& p, const QPainterPath& body, const ShellLook& look)
{
    const QRectF rect = body.boundingRect();
    dropShadow(p, body, QPointF(0, 4), 6, hex("#000000", look.shadowAlpha));
    p.fillPath(body, vertical(rect.top(), rect.bottom(), look.stops));
    QRadialGradient sheen(look.sheenCentre, look.sheenRadius);
    sheen.setColorAt(0, hex("#ffffff", look.sheenAlpha));
    sheen.setColorAt(0.6, hex("#ffffff", look.sheenAlpha / 4));
    sheen.setColorAt(1, hex("#ffffff", 0.0));
    p.fillPath(body, sheen);
    innerShadow(p, body, QPointF(0, 2), 2.5, hex("#ffffff", look.edgeLight));
    innerShadow(p, body, QPointF(0, -3), look.edgeShadeBlur, hex("#000000", look.edgeShade));
    p.strokePath(body, QPen(look.outline, 1.0));
}

// A small indicator lamp with its glow.
void lamp(QPainter& p, const QPointF& centre, const QColor& glowColour, const QColor& core, const QColor& middle,
          const QColor& rim)
{
    glow(p, ellipse(QRectF(centre - QPointF(4, 4), QSizeF(8, 8))), 4, glowColour);
    QRadialGradient light(centre - QPointF(0.8, 0.8), 3.2);
    light.setColorAt(0, core);
    light.setColorAt(0.45, middle);
    light.setColorAt(1, rim);
    p.fillPath(ellipse(QRectF(centre - QPointF(3, 3), QSizeF(6, 6))), light);
}

// A screen opening: the recess around the glass and a soft shade falling on
// the glass from its upper edge. The centre stays fully open. The screen is
// a rounded rectangle of the corner radius.
void screenOpening(QPainter& p, const QPainterPath& screen, double cornerRadius, double lip)
{
    QPainterPath rim = roundedRect(screen.boundingRect().adjusted(-lip, -lip, lip, lip), cornerRadius + lip);
    p.fillPath(rim, hex("#050506"));
    innerShadow(p, rim, QPointF(0, 1.2), 1.5, hex("#000000", 0.9));
    clear(p, screen);
    // Depth on the glass: shade from the top edge, a hint of light at the bottom.
    innerShadow(p, screen, QPointF(0, 1.5), 3, hex("#000000", 0.5));
    // The light catches the glass's lower edge along its straight run only,
    // fading before the rounded corners: a light edge following a corner's
    // curve breaks up into specks once the picture is scaled down.
    const QRectF glass = screen.boundingRect();
    const double run = glass.width() - 2 * cornerRadius;
    if (run > 0) {
        QLinearGradient fade(glass.left() + cornerRadius, 0, glass.right() - cornerRadius, 0);
        fade.setColorAt(0, hex("#ffffff", 0.0));
        fade.setColorAt(0.08, hex("#ffffff", 0.10));
        fade.setColorAt(0.92, hex("#ffffff", 0.10));
        fade.setColorAt(1, hex("#ffffff", 0.0));
        p.fillRect(QRectF(glass.left() + cornerRadius, glass.bottom() - 1.0, run, 1.0), fade);
    }
}

// A round push button: a dark well, the cap with its shadow, light from above.
void roundButton(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, const QColor& rim)
{
    const QPainterPath well = ellipse(r.adjusted(-4, -4, 4, 4));
    p.fillPath(well, vertical(r.top() - 4, r.bottom() + 4, {{0, hex("#0d0e10")}, {1, hex("#23262b")}}));
    innerShadow(p, well, QPointF(0, 2), 2.5, hex("#000000", 0.8));

    const QPainterPath cap = ellipse(r.adjusted(1, 1, -1, -1));
    dropShadow(p, cap, QPointF(0, 2.5), 2.5, hex("#000000", 0.65));
    QRadialGradient shade(r.center() + QPointF(-r.width() * 0.18, -r.height() * 0.22), r.width() * 0.75);
    shade.setColorAt(0, top);
    shade.setColorAt(1, bottom);
    p.fillPath(cap, shade);
    // Slightly dished top: a darker centre ring and a light lower lip.
    innerShadow(p, cap, QPointF(0, -1.6), 2.2, hex("#000000", 0.35));
    innerShadow(p, cap, QPointF(0, 1.2), 1.2, rim);
    p.strokePath(cap, QPen(hex("#000000", 0.55), 0.7));
}

} // namespace

QImage drawHandheld()
{
    const QSizeF design(398, 555);
    QImage image = canvas(design);
    QPainter p(&image);
    begin(p);

    const QRectF bodyRect(12, 8, 374, 533);
    const QPainterPath body = roundedRect(bodyRect, 30, 30, 78, 30);

    // The shell: a satin graphite.
    deviceShell(p,
                body,
                ShellLook{{{0, hex("#4a4f58")}, {0.45, hex("#3a3e46")}, {1, hex("#2a2d33")}},
                          QPointF(90, 40),
                          360,
                          0.12,
                          0.45,
                          0.22,
                          0.55,
                          4,
                          hex("#0b0c0e", 0.9)});

    // A parting line round the face, as where two halves of a case meet.
    const QPainterPath seam = roundedRect(bodyRect.adjusted(7, 7, -7, -7), 24, 24, 71, 24);
    p.strokePath(seam.translated(0, 0.7), QPen(hex("#ffffff", 0.07), 0.8));
    p.strokePath(seam, QPen(hex("#000000", 0.45), 0.8));

    // The screen plate: dark glass sunk into the shell.
    const QRectF plateRect(34, 48, 330, 254);
    const QPainterPath plate = roundedRect(plateRect, 18, 18, 18, 18);
    p.fillPath(plate.translated(0, 1.0), hex("#ffffff", 0.10));
    p.fillPath(plate, vertical(plateRect.top(), plateRect.bottom(), {{0, hex("#17191d")}, {1, hex("#0e0f12")}}));
    innerShadow(p, plate, QPointF(0, 2), 3, hex("#000000", 0.9));
    QLinearGradient glare(plateRect.topLeft(), QPointF(plateRect.left() + 140, plateRect.bottom()));
    glare.setColorAt(0, hex("#ffffff", 0.07));
    glare.setColorAt(0.5, hex("#ffffff", 0.0));
    p.fillPath(plate, glare);

    const QPainterPath screen = roundedRect(QRectF(58, 82, 282, 172), 8);
    screenOpening(p, screen, 8, 2.5);

    // Lettering and the power lamp on the plate.
    engrave(p,
            placedText(QStringLiteral("VELMORA"), 9.5, true, 2.6, 58, 278, Align::left),
            hex("#9aa1ab"),
            hex("#000000", 0.0));
    engrave(p,
            placedText(QStringLiteral("HANDHELD"), 6.5, false, 1.6, 134, 278.2, Align::left),
            hex("#5f6670"),
            hex("#000000", 0.0));
    lamp(p, QPointF(330, 278), hex("#3dff7a", 0.75), hex("#e8ffef"), hex("#52ff8a"), hex("#12b04a"));
    engrave(p,
            placedText(QStringLiteral("POWER"), 5.5, false, 1.2, 321, 278.2, Align::right),
            hex("#5f6670"),
            hex("#000000", 0.0));

    // A small grip texture above the plate.
    for (int i = 0; i < 3; ++i) {
        const QRectF slot(300 + i * 16, 27, 10, 3);
        const QPainterPath s = roundedRect(slot, 1.5);
        p.fillPath(s.translated(0, 0.6), hex("#ffffff", 0.08));
        p.fillPath(s, hex("#16181b"));
    }

    // The four buttons of the skin's sizes, the largest one in the device's
    // accent colour: a row centred on the body, evenly spaced, their centres
    // on one line, every recess well inside the face's parting line.
    const double buttonSizes[] = {65, 65, 60, 70};
    constexpr double buttonGap = 18;
    constexpr double buttonRowCentreY = 372.5;
    double rowWidth = -buttonGap;
    for (double size : buttonSizes)
        rowWidth += size + buttonGap;
    double buttonLeft = bodyRect.center().x() - rowWidth / 2;
    for (std::size_t i = 0; i < std::size(buttonSizes); ++i) {
        const double size = buttonSizes[i];
        const QRectF cap(buttonLeft, buttonRowCentreY - size / 2, size, size);
        if (i + 1 == std::size(buttonSizes))
            roundButton(p, cap, hex("#ff7a45"), hex("#b8361a"), hex("#ffd2b8", 0.45));
        else
            roundButton(p, cap, hex("#5b616b"), hex("#2f3338"), hex("#ffffff", 0.25));
        buttonLeft += size + buttonGap;
    }

    // A speaker grille of round holes in the lower right.
    const QPointF grille(300, 478);
    for (int row = -3; row <= 3; ++row) {
        for (int col = -3; col <= 3; ++col) {
            const QPointF at = grille + QPointF(col * 9.5 + (row % 2 ? 4.75 : 0), row * 8.2);
            if (std::hypot(at.x() - grille.x(), at.y() - grille.y()) > 30)
                continue;
            const QPainterPath hole = ellipse(QRectF(at - QPointF(2.2, 2.2), QSizeF(4.4, 4.4)));
            p.fillPath(hole.translated(0, 0.7), hex("#ffffff", 0.10));
            p.fillPath(hole, hex("#0b0c0e"));
        }
    }
    // The model badge, pressed into the lower left.
    const QPainterPath badge = roundedRect(QRectF(44, 466, 46, 22), 11);
    p.fillPath(badge, hex("#25282d"));
    innerShadow(p, badge, QPointF(0, 1.2), 1.5, hex("#000000", 0.7));
    p.strokePath(badge.translated(0, 0.6), QPen(hex("#ffffff", 0.07), 0.8));
    p.fillPath(placedText(QStringLiteral("V1"), 9, true, 1.0, 67, 477, Align::centre), hex("#7d848e"));

    return image;
}

QImage drawWalkie()
{
    const QSizeF design(421, 661);
    QImage image = canvas(design);
    QPainter p(&image);
    begin(p);

    // Antenna: a rubber whip on a metal collar, top left.
    const QRectF antennaRect(72, 6, 30, 104);
    const QPainterPath antenna = roundedRect(antennaRect, 15, 15, 4, 4);
    dropShadow(p, antenna, QPointF(0, 3), 4, hex("#000000", 0.4));
    QLinearGradient rubber(antennaRect.left(), 0, antennaRect.right(), 0);
    rubber.setColorAt(0, hex("#1a1b19"));
    rubber.setColorAt(0.35, hex("#3a3b37"));
    rubber.setColorAt(1, hex("#121311"));
    p.fillPath(antenna, rubber);
    for (double y = 34; y < 104; y += 9)
        p.fillPath(roundedRect(QRectF(antennaRect.left() + 1, y, antennaRect.width() - 2, 1.6), 0.8),
                   hex("#000000", 0.45));
    p.strokePath(antenna, QPen(hex("#000000", 0.8), 0.8));

    // Channel knob, top right: a knurled cylinder.
    const QRectF knobRect(292, 50, 56, 52);
    const QPainterPath knob = roundedRect(knobRect, 8, 8, 3, 3);
    dropShadow(p, knob, QPointF(0, 3), 4, hex("#000000", 0.45));
    QLinearGradient knurl(knobRect.left(), 0, knobRect.right(), 0);
    knurl.setColorAt(0, hex("#202120"));
    knurl.setColorAt(0.3, hex("#4b4c48"));
    knurl.setColorAt(1, hex("#151614"));
    p.fillPath(knob, knurl);
    p.save();
    p.setClipPath(knob);
    for (double x = knobRect.left() + 3; x < knobRect.right(); x += 4.2)
        p.fillRect(QRectF(x, knobRect.top(), 1.4, knobRect.height()), hex("#000000", 0.4));
    p.restore();
    p.fillPath(roundedRect(QRectF(knobRect.left(), knobRect.top(), knobRect.width(), 7), 8, 8, 2, 2), hex("#5d5e59"));
    p.fillPath(roundedRect(QRectF(knobRect.center().x() - 1.5, knobRect.top() + 1, 3, 11), 1.5), hex("#ff9a1f"));
    p.strokePath(knob, QPen(hex("#000000", 0.8), 0.8));

    // The body: rugged rubberised shell with a push-to-talk key on the left.
    const QRectF pttRect(24, 246, 16, 118);
    const QPainterPath ptt = roundedRect(pttRect, 6, 2, 2, 6);
    p.fillPath(ptt, vertical(pttRect.top(), pttRect.bottom(), {{0, hex("#3b3c37")}, {1, hex("#1c1d1a")}}));
    for (double y = pttRect.top() + 10; y < pttRect.bottom() - 6; y += 8)
        p.fillRect(QRectF(pttRect.left() + 2, y, 10, 1.6), hex("#000000", 0.5));
    p.strokePath(ptt, QPen(hex("#000000", 0.8), 0.8));

    const QRectF bodyRect(34, 96, 353, 556);
    const QPainterPath body = roundedRect(bodyRect, 40, 40, 52, 52);
    deviceShell(p,
                body,
                ShellLook{{{0, hex("#3c3d38")}, {0.5, hex("#2e2f2b")}, {1, hex("#232420")}},
                          QPointF(110, 130),
                          380,
                          0.10,
                          0.5,
                          0.18,
                          0.6,
                          5,
                          hex("#0a0a09", 0.9)});

    // Side grips: darker rubber bands with ribs.
    for (const QRectF& band : {QRectF(36, 150, 10, 470), QRectF(375, 150, 10, 470)}) {
        const QPainterPath grip = roundedRect(band, 4);
        p.fillPath(grip, hex("#1b1c19"));
        for (double y = band.top() + 6; y < band.bottom() - 4; y += 7)
            p.fillRect(QRectF(band.left() + 1.5, y, band.width() - 3, 1.4), hex("#000000", 0.55));
        innerShadow(p, grip, QPointF(0, 1), 1.5, hex("#000000", 0.7));
    }

    // Upper speaker: horizontal slots, with the maker's lettering and the
    // transmit lamp.
    for (int i = 0; i < 6; ++i) {
        const QRectF slotRect(104, 126 + i * 10.5, 213, 5);
        const QPainterPath slot = roundedRect(slotRect, 2.5);
        p.fillPath(slot.translated(0, 0.8), hex("#ffffff", 0.09));
        p.fillPath(slot, hex("#0b0b0a"));
    }
    engrave(p,
            placedText(QStringLiteral("VELMORA"), 8, true, 2.2, 60, 112, Align::left),
            hex("#8d8e86"),
            hex("#000000", 0.0));
    lamp(p, QPointF(356, 112), hex("#ff8a1a", 0.8), hex("#fff1dc"), hex("#ffa43a"), hex("#c25a06"));
    engrave(
        p, placedText(QStringLiteral("TX"), 6, true, 1, 346, 112.2, Align::right), hex("#6c6d66"), hex("#000000", 0.0));

    // Face plate holding the screen and the four keys.
    const QRectF plateRect(46, 196, 329, 240);
    const QPainterPath plate = roundedRect(plateRect, 16);
    p.fillPath(plate.translated(0, 1.0), hex("#ffffff", 0.10));
    p.fillPath(plate, vertical(plateRect.top(), plateRect.bottom(), {{0, hex("#1d1e1b")}, {1, hex("#151613")}}));
    innerShadow(p, plate, QPointF(0, 2), 3, hex("#000000", 0.85));

    const QPainterPath screen = roundedRect(QRectF(68, 213, 285, 147), 6);
    screenOpening(p, screen, 6, 3);

    struct Key {
        QRectF rect;
        const char* label;
        bool accent;
    };
    const Key keys[] = {{QRectF(52, 375, 72, 48), "MENU", false},
                        {QRectF(132, 375, 80, 48), "SCAN", false},
                        {QRectF(214, 375, 70, 48), "MON", false},
                        {QRectF(293, 375, 72, 48), "ENT", true}};
    for (const Key& key : keys) {
        const QPainterPath cap = roundedRect(key.rect.adjusted(2, 2, -2, -2), 9);
        dropShadow(p, cap, QPointF(0, 2.5), 2.5, hex("#000000", 0.75));
        if (key.accent)
            p.fillPath(cap, vertical(key.rect.top(), key.rect.bottom(), {{0, hex("#ffb347")}, {1, hex("#e07a0c")}}));
        else
            p.fillPath(cap, vertical(key.rect.top(), key.rect.bottom(), {{0, hex("#4a4b46")}, {1, hex("#2c2d29")}}));
        innerShadow(p, cap, QPointF(0, 1.5), 1.5, hex("#ffffff", key.accent ? 0.45 : 0.18));
        innerShadow(p, cap, QPointF(0, -2), 2.5, hex("#000000", 0.45));
        p.strokePath(cap, QPen(hex("#000000", 0.7), 0.7));
        const QPainterPath label = placedText(
            QString::fromLatin1(key.label), 10, true, 1.2, key.rect.center().x(), key.rect.center().y(), Align::centre);
        p.fillPath(label, key.accent ? hex("#2a1602") : hex("#ff9a1f"));
    }

    // Lower speaker: a field of round holes.
    const QRectF grilleRect(86, 460, 249, 150);
    const QPainterPath grilleArea = roundedRect(grilleRect, 22);
    p.fillPath(grilleArea, hex("#262723"));
    innerShadow(p, grilleArea, QPointF(0, 1.5), 2, hex("#000000", 0.6));
    for (int row = 0; row < 12; ++row) {
        for (int col = 0; col < 21; ++col) {
            const QPointF at(grilleRect.center().x() + (col - 10) * 10.9 + (row % 2 ? 5.45 : 0) - 2.725,
                             grilleRect.center().y() + (row - 5.5) * 11.2);
            const QRectF hole(at - QPointF(2.6, 2.6), QSizeF(5.2, 5.2));
            if (!grilleArea.contains(hole.adjusted(-6, -6, 6, 6)))
                continue;
            const QPainterPath h = ellipse(hole);
            p.fillPath(h.translated(0, 0.8), hex("#ffffff", 0.08));
            p.fillPath(h, hex("#080808"));
        }
    }
    engrave(p,
            placedText(QStringLiteral("MK-1"), 9, true, 1.5, 335, 630, Align::right),
            hex("#ff9a1f", 0.85),
            hex("#000000", 0.0));
    engrave(p,
            placedText(QStringLiteral("WALKIE"), 7, false, 2.0, 86, 630, Align::left),
            hex("#6c6d66"),
            hex("#000000", 0.0));

    return image;
}

} // namespace SkinArt
