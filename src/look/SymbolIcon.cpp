#include "look/SymbolIcon.h"

#include <QHash>
#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>
#include <functional>
#include <numbers>

namespace velmora {
namespace {

constexpr qreal lineWidth = 1.9;

QPainterPath outline(const QPainterPath& strokes, qreal width = lineWidth)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(strokes).simplified();
}

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath circle(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath prompt(qreal dx = 0, qreal dy = 0)
{
    QPainterPath strokes = polyline({{6.5 + dx, 8.5 + dy}, {10 + dx, 12 + dy}, {6.5 + dx, 15.5 + dy}});
    strokes.addPath(polyline({{12 + dx, 16 + dy}, {17 + dx, 16 + dy}}));
    return strokes;
}

QPainterPath checkStrokes(qreal scale = 1, QPointF offset = {})
{
    QTransform transform;
    transform.translate(offset.x(), offset.y());
    transform.scale(scale, scale);
    return transform.map(polyline({{5, 12.5}, {9.8, 17.2}, {19, 7.2}}));
}

QPainterPath arrowDownStrokes(qreal top, qreal bottom, qreal wing)
{
    QPainterPath strokes = polyline({{12, top}, {12, bottom}});
    strokes.addPath(polyline({{12 - wing, bottom - wing}, {12, bottom}, {12 + wing, bottom - wing}}));
    return strokes;
}

QPainterPath terminalFill() { return roundedRect({2.5, 4, 19, 16}, 3.2).subtracted(outline(prompt())); }

QPainterPath terminalLine()
{
    QPainterPath strokes;
    strokes.addRoundedRect(QRectF(3, 4.5, 18, 15), 2.8, 2.8);
    strokes.addPath(prompt());
    return outline(strokes);
}

QPainterPath arrowDownCircleFill()
{
    return circle({12, 12}, 10).subtracted(outline(arrowDownStrokes(6.8, 16.8, 4.2), 2.2));
}

QPainterPath checkmarkCircleFill()
{
    return circle({12, 12}, 10).subtracted(outline(checkStrokes(0.62, {4.6, 4.8}), 2.2));
}

QPainterPath wifiSlash()
{
    QPainterPath strokes;
    const QPointF centre(12, 19);
    for (qreal radius : {14.0, 9.5, 5.0}) {
        QPainterPath arc;
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        arc.arcMoveTo(box, 45);
        arc.arcTo(box, 45, 90);
        strokes.addPath(arc);
    }
    QPainterPath shape = outline(strokes).united(circle(centre, 1.7));
    // The slash cuts a gap through the arcs and is drawn over it.
    const QPainterPath slash = polyline({{4, 3}, {20, 21}});
    return shape.subtracted(outline(slash, lineWidth + 2.6)).united(outline(slash));
}

QPainterPath arrowDownToLine()
{
    QPainterPath strokes = arrowDownStrokes(3.5, 15, 5);
    strokes.addPath(polyline({{5, 20.5}, {19, 20.5}}));
    return outline(strokes);
}

QPainterPath paintbrushFill()
{
    // A handle from the top-right down to a ferrule, then a rounded tuft of
    // bristles at the bottom-left.
    QPainterPath handle = polyline({{20.5, 3.5}, {12.2, 11.8}});
    QPainterPath shape = outline(handle, 3.2);
    QPainterPath ferrule;
    ferrule.addPolygon(QPolygonF({{10.2, 10.6}, {13.4, 13.8}, {11.4, 15.8}, {8.2, 12.6}}));
    ferrule.closeSubpath();
    QPainterPath tuft;
    tuft.moveTo(7.4, 13.4);
    tuft.cubicTo(4.6, 13.6, 4.6, 16.4, 4.2, 18.2);
    tuft.cubicTo(3.9, 19.6, 3.2, 20.4, 2.4, 21.0);
    tuft.cubicTo(6.2, 21.4, 9.6, 20.6, 10.6, 16.6);
    tuft.closeSubpath();
    return shape.united(ferrule).united(tuft).simplified();
}

QPainterPath gridFill()
{
    QPainterPath shape;
    for (qreal y : {3.0, 13.0}) {
        for (qreal x : {3.0, 13.0})
            shape.addRoundedRect(QRectF(x, y, 8, 8), 2, 2);
    }
    return shape;
}

QPainterPath keyboard()
{
    QPainterPath shape = outline(roundedRect({2, 5.5, 20, 13}, 2.6));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column)
            shape.addRoundedRect(QRectF(4.6 + column * 3.2, 8.2 + row * 3.1, 2, 1.9), 0.5, 0.5);
    }
    shape.addRoundedRect(QRectF(7.2, 14.4, 9.6, 1.9), 0.6, 0.6);
    return shape;
}

QPainterPath plus()
{
    QPainterPath strokes = polyline({{12, 5}, {12, 19}});
    strokes.addPath(polyline({{5, 12}, {19, 12}}));
    return outline(strokes, 2.2);
}

QPainterPath cyclePath()
{
    // Two arcs chasing each other round a circle, each ending in an arrowhead.
    QPainterPath shape;
    const QRectF box(4.5, 4.5, 15, 15);
    const QPointF centre = box.center();
    for (qreal start : {30.0, 210.0}) {
        QPainterPath arc;
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, 125);
        shape = shape.united(outline(arc));
        const qreal end = (start + 125) * std::numbers::pi / 180;
        const QPointF tip(centre.x() + 7.5 * std::cos(end), centre.y() - 7.5 * std::sin(end));
        // Tangent direction of travel (counter-clockwise on screen).
        const QPointF along(-std::sin(end), -std::cos(end));
        const QPointF across(std::cos(end), -std::sin(end));
        QPainterPath head;
        head.addPolygon(
            QPolygonF({tip + along * 3.6, tip - across * 3.0 - along * 0.6, tip + across * 3.0 - along * 0.6}));
        head.closeSubpath();
        shape = shape.united(head);
    }
    return shape.simplified();
}

QPainterPath rectangleStack()
{
    QPainterPath shape = outline(roundedRect({3, 9, 18, 12}, 2.4));
    QPainterPath backs = polyline({{5.5, 6}, {18.5, 6}});
    backs.addPath(polyline({{8, 3}, {16, 3}}));
    return shape.united(outline(backs));
}

QPainterPath gear()
{
    constexpr int teeth = 8;
    QPolygonF ring;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal angle = (i * 2 * std::numbers::pi) / (teeth * 4) - std::numbers::pi / (teeth * 4);
        const qreal radius = (i % 4 == 1 || i % 4 == 2) ? 10.5 : 8.0;
        ring << QPointF(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
    }
    QPainterPath shape;
    shape.addPolygon(ring);
    shape.closeSubpath();
    return shape.subtracted(circle({12, 12}, 3.6)).simplified();
}

QPainterPath checkmark() { return outline(checkStrokes(), 2.4); }

QPainterPath infoCircle()
{
    QPainterPath mark = circle({12, 7.4}, 1.4);
    mark.addRoundedRect(QRectF(11.1, 10.2, 1.8, 7.2), 0.9, 0.9);
    return circle({12, 12}, 10.2).subtracted(circle({12, 12}, 8.6)).united(mark).simplified();
}

QPainterPath keyboardFill()
{
    QPainterPath keys;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column)
            keys.addRoundedRect(QRectF(4.6 + column * 3.2, 8.2 + row * 3.1, 2, 1.9), 0.5, 0.5);
    }
    keys.addRoundedRect(QRectF(7.2, 14.4, 9.6, 1.9), 0.6, 0.6);
    return roundedRect({1.5, 5, 21, 14}, 3).subtracted(keys);
}

QPainterPath pencil()
{
    // Drawn lying down, point to the left, then turned to point down-left.
    QPainterPath body;
    body.addRoundedRect(QRectF(8.2, 9.3, 12.3, 5.4), 1.2, 1.2);
    QPainterPath point;
    point.addPolygon(QPolygonF({{2.6, 12}, {6.9, 9.3}, {6.9, 14.7}}));
    point.closeSubpath();
    QTransform turn;
    turn.translate(12, 12);
    turn.rotate(-45);
    turn.translate(-12, -12);
    return turn.map(body.united(point)).simplified();
}

QPainterPath trash()
{
    QPainterPath lid = outline(polyline({{3.5, 6}, {20.5, 6}}), 2);
    QPainterPath handle = outline(polyline({{9.5, 5.5}, {9.5, 3.2}, {14.5, 3.2}, {14.5, 5.5}}), 1.6);
    QPainterPath can;
    can.moveTo(5.5, 8.2);
    can.lineTo(18.5, 8.2);
    can.lineTo(17.2, 20);
    can.quadTo(17, 21.5, 15.5, 21.5);
    can.lineTo(8.5, 21.5);
    can.quadTo(7, 21.5, 6.8, 20);
    can.closeSubpath();
    QPainterPath slits;
    for (qreal x : {9.6, 12.0, 14.4})
        slits.addPath(outline(polyline({{x, 11}, {x, 18.5}}), 1.3));
    return lid.united(handle).united(can.subtracted(slits)).simplified();
}

QPainterPath checkmarkSealFill()
{
    constexpr int bumps = 12;
    QPolygonF seal;
    for (int i = 0; i < bumps * 2; ++i) {
        const qreal angle = i * std::numbers::pi / bumps;
        const qreal radius = i % 2 == 0 ? 10.8 : 9.0;
        seal << QPointF(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
    }
    QPainterPath shape;
    shape.addPolygon(seal);
    shape.closeSubpath();
    return shape.subtracted(outline(checkStrokes(0.58, {5.0, 5.1}), 2.2)).simplified();
}

QPainterPath arrowHead(QPointF tip, QPointF direction, qreal size)
{
    const QPointF across(-direction.y(), direction.x());
    QPainterPath head;
    head.addPolygon(
        QPolygonF({tip, tip - direction * size + across * size * 0.8, tip - direction * size - across * size * 0.8}));
    head.closeSubpath();
    return head;
}

QPainterPath dashedStrokes(const QPainterPath& strokes, qreal width, const QVector<qreal>& pattern)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setDashPattern(pattern);
    return stroker.createStroke(strokes).simplified();
}

// An arc of the circle from `start` degrees through `span` degrees (counter-
// clockwise on screen for a positive span), with an arrowhead at its end.
QPainterPath arcArrow(QPointF centre, qreal radius, qreal start, qreal span, qreal head = 3.4)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, start);
    arc.arcTo(box, start, span);
    const qreal end = (start + span) * std::numbers::pi / 180;
    const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
    const qreal turn = span > 0 ? 1 : -1;
    const QPointF along(-std::sin(end) * turn, -std::cos(end) * turn);
    const QPointF across(std::cos(end), -std::sin(end));
    QPainterPath shape = outline(arc);
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF(
        {tip + along * head, tip - across * head * 0.85 - along * 0.5, tip + across * head * 0.85 - along * 0.5}));
    arrow.closeSubpath();
    return shape.united(arrow).simplified();
}

QPainterPath landscape(const QRectF& frame)
{
    // Hills and a sun inside a picture frame.
    QPainterPath strokes;
    strokes.addRoundedRect(frame, 2.4, 2.4);
    QPainterPath shape = outline(strokes);
    QPainterPath hills;
    const qreal l = frame.left(), b = frame.bottom(), w = frame.width(), h = frame.height();
    hills.moveTo(l + 0.6, b - 0.6);
    hills.lineTo(l + w * 0.38, b - h * 0.55);
    hills.lineTo(l + w * 0.58, b - h * 0.3);
    hills.lineTo(l + w * 0.72, b - h * 0.42);
    hills.lineTo(frame.right() - 0.6, b - 0.6);
    hills.closeSubpath();
    shape = shape.united(hills);
    return shape.united(circle({l + w * 0.72, frame.top() + h * 0.3}, std::min(w, h) * 0.11)).simplified();
}

QPainterPath photo() { return landscape({3, 5, 18, 14}); }

QPainterPath photoOnRectangleAngled()
{
    QPainterPath back;
    back.addRoundedRect(QRectF(-7.5, -5.5, 15, 11), 2.2, 2.2);
    QTransform tilt;
    tilt.translate(14, 10);
    tilt.rotate(-12);
    const QPainterPath front = landscape({2.5, 8, 15, 12});
    QPainterPath backOutline = outline(tilt.map(back));
    // The back card shows only where the front one does not cover it.
    QPainterPath frontBody;
    frontBody.addRoundedRect(QRectF(1.5, 7, 17, 14), 3, 3);
    return backOutline.subtracted(frontBody).united(front).simplified();
}

QPainterPath arrowCounterclockwise() { return arcArrow({12, 12.5}, 7.5, -60, 290); }

QPainterPath folder()
{
    QPainterPath strokes;
    strokes.moveTo(3, 7);
    strokes.quadTo(3, 5, 5, 5);
    strokes.lineTo(9.5, 5);
    strokes.lineTo(11.5, 7.2);
    strokes.lineTo(19, 7.2);
    strokes.quadTo(21, 7.2, 21, 9.2);
    strokes.lineTo(21, 17.5);
    strokes.quadTo(21, 19.5, 19, 19.5);
    strokes.lineTo(5, 19.5);
    strokes.quadTo(3, 19.5, 3, 17.5);
    strokes.closeSubpath();
    strokes.addPath(polyline({{3, 10}, {21, 10}}));
    return outline(strokes);
}

QPainterPath sparkle(QPointF centre, qreal size)
{
    QPainterPath star;
    const qreal w = size * 0.28;
    star.moveTo(centre.x(), centre.y() - size);
    star.quadTo(centre.x() + w * 0.3, centre.y() - w * 0.3, centre.x() + size, centre.y());
    star.quadTo(centre.x() + w * 0.3, centre.y() + w * 0.3, centre.x(), centre.y() + size);
    star.quadTo(centre.x() - w * 0.3, centre.y() + w * 0.3, centre.x() - size, centre.y());
    star.quadTo(centre.x() - w * 0.3, centre.y() - w * 0.3, centre.x(), centre.y() - size);
    star.closeSubpath();
    return star;
}

QPainterPath wandAndStars()
{
    QPainterPath shape = outline(polyline({{3.5, 20.5}, {14, 10}}), 2.6);
    shape = shape.united(outline(polyline({{14.6, 9.4}, {16.2, 7.8}}), 2.6));
    shape = shape.united(sparkle({9, 5.5}, 3.2)).united(sparkle({18.5, 13.5}, 3)).united(sparkle({19, 4}, 2));
    return shape.simplified();
}

QPainterPath crop()
{
    QPainterPath strokes = polyline({{7, 2.5}, {7, 17}, {21.5, 17}});
    strokes.addPath(polyline({{2.5, 7}, {17, 7}, {17, 21.5}}));
    return outline(strokes);
}

QPainterPath scribbleVariable()
{
    QPainterPath strokes;
    strokes.moveTo(3, 15);
    strokes.cubicTo(5, 6, 9, 4, 10, 7);
    strokes.cubicTo(11, 10, 6, 18, 9, 19);
    strokes.cubicTo(12, 20, 14, 8, 16.5, 8.5);
    strokes.cubicTo(19, 9, 16, 16, 18, 17);
    strokes.cubicTo(19.2, 17.6, 20.5, 15.5, 21, 14.5);
    return outline(strokes, 2.1);
}

QPainterPath eraser()
{
    QPainterPath body;
    body.addRoundedRect(QRectF(-4.5, -8.5, 9, 17), 1.8, 1.8);
    QTransform tilt;
    tilt.translate(12.5, 11);
    tilt.rotate(45);
    QPainterPath strokes = tilt.map(body);
    strokes.addPath(tilt.map(polyline({{-4.5, 1.5}, {4.5, 1.5}})));
    strokes.addPath(polyline({{9, 20.5}, {20.5, 20.5}}));
    return outline(strokes);
}

QPainterPath uturnStrokes(qreal scale, QPointF offset)
{
    QTransform transform;
    transform.translate(offset.x(), offset.y());
    transform.scale(scale, scale);
    QPainterPath strokes;
    strokes.moveTo(4.5, 9.5);
    strokes.lineTo(14, 9.5);
    strokes.cubicTo(21.5, 9.5, 21.5, 19.5, 14, 19.5);
    strokes.lineTo(9, 19.5);
    strokes.addPath(polyline({{8.5, 5}, {4, 9.5}, {8.5, 14}}));
    return transform.map(strokes);
}

QPainterPath arrowUturnBackward() { return outline(uturnStrokes(1, {0, -2})); }

QPainterPath rectangleDashed()
{
    QPainterPath frame;
    frame.addRoundedRect(QRectF(3, 5.5, 18, 13), 2.2, 2.2);
    return dashedStrokes(frame, 1.9, {1.6, 1.3});
}

QPainterPath exclamationTriangleFill()
{
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22, 20.5);
    triangle.lineTo(2, 20.5);
    triangle.closeSubpath();
    QPainterPathStroker rounder;
    rounder.setWidth(2.2);
    rounder.setJoinStyle(Qt::RoundJoin);
    const QPainterPath body = triangle.united(rounder.createStroke(triangle));
    QPainterPath mark = outline(polyline({{12, 8.5}, {12, 13.8}}), 2.4);
    mark.addEllipse(QPointF(12, 17.2), 1.35, 1.35);
    return body.subtracted(mark).simplified();
}

QPainterPath eye()
{
    QPainterPath lids;
    lids.moveTo(2.5, 12);
    lids.cubicTo(7, 4.5, 17, 4.5, 21.5, 12);
    lids.cubicTo(17, 19.5, 7, 19.5, 2.5, 12);
    lids.closeSubpath();
    return outline(lids).united(circle({12, 12}, 3.4)).simplified();
}

QPainterPath trayWithArrow(bool up)
{
    QPainterPath strokes = polyline({{8, 9.5}, {5.5, 9.5}, {5.5, 21}, {18.5, 21}, {18.5, 9.5}, {16, 9.5}});
    if (up) {
        strokes.addPath(polyline({{12, 14.5}, {12, 2.5}}));
        strokes.addPath(polyline({{8.3, 6.2}, {12, 2.5}, {15.7, 6.2}}));
    } else {
        strokes.addPath(polyline({{12, 2.5}, {12, 15}}));
        strokes.addPath(polyline({{8.3, 11.3}, {12, 15}, {15.7, 11.3}}));
    }
    return outline(strokes);
}

QPainterPath squareAndArrowUp() { return trayWithArrow(true); }
QPainterPath squareAndArrowDown() { return trayWithArrow(false); }

QPainterPath shuffle()
{
    QPainterPath strokes;
    strokes.moveTo(3, 7);
    strokes.lineTo(6.5, 7);
    strokes.cubicTo(11, 7, 12, 17, 16.5, 17);
    strokes.lineTo(18, 17);
    QPainterPath second;
    second.moveTo(3, 17);
    second.lineTo(6.5, 17);
    second.cubicTo(11, 17, 12, 7, 16.5, 7);
    second.lineTo(18, 7);
    strokes.addPath(second);
    return outline(strokes)
        .united(arrowHead({21.5, 7}, {1, 0}, 4))
        .united(arrowHead({21.5, 17}, {1, 0}, 4))
        .simplified();
}

QPainterPath trayAndArrowDown()
{
    QPainterPath tray = polyline({{3.5, 13.5}, {3.5, 20}, {20.5, 20}, {20.5, 13.5}});
    QPainterPath shape = outline(tray, 2);
    QPainterPath arrow = polyline({{12, 2.5}, {12, 13}});
    arrow.addPath(polyline({{7.8, 9}, {12, 13.2}, {16.2, 9}}));
    return shape.united(outline(arrow, 2)).simplified();
}

QPainterPath arrowUturnBackwardCircle()
{
    QPainterPath ring = circle({12, 12}, 10.2).subtracted(circle({12, 12}, 8.6));
    QPainterPath turn;
    turn.moveTo(15.5, 17);
    turn.lineTo(15.5, 12.5);
    turn.cubicTo(15.5, 10.2, 14.2, 9.2, 12, 9.2);
    turn.lineTo(9.5, 9.2);
    return ring.united(outline(turn, 1.8)).united(arrowHead({6.3, 9.2}, {-1, 0}, 3.3)).simplified();
}

QPainterPath paintpalette()
{
    QPainterPath blob;
    blob.moveTo(12, 2.5);
    blob.cubicTo(17.8, 2.5, 21.5, 6.5, 21.5, 11);
    blob.cubicTo(21.5, 14.5, 19, 15.5, 16.8, 15.2);
    blob.cubicTo(14.8, 15, 13.6, 16.2, 14.4, 18);
    blob.cubicTo(15.2, 19.8, 14, 21.5, 11.5, 21.5);
    blob.cubicTo(6, 21.5, 2.5, 17, 2.5, 12);
    blob.cubicTo(2.5, 6.5, 6.5, 2.5, 12, 2.5);
    blob.closeSubpath();
    QPainterPath holes;
    for (QPointF centre : {QPointF(7.2, 12.5), QPointF(8.6, 7.6), QPointF(13, 5.9), QPointF(17.2, 8.6)})
        holes.addEllipse(centre, 1.7, 1.7);
    return blob.subtracted(holes).simplified();
}

QPainterPath chevronUpChevronDown()
{
    QPainterPath strokes = polyline({{7, 9.5}, {12, 4.5}, {17, 9.5}});
    strokes.addPath(polyline({{7, 14.5}, {12, 19.5}, {17, 14.5}}));
    return outline(strokes, 2.4);
}

using Builder = QPainterPath (*)();

const QHash<QString, Builder>& builders()
{
    static const QHash<QString, Builder> table = {
        {QStringLiteral("terminal.fill"), terminalFill},
        {QStringLiteral("terminal"), terminalLine},
        {QStringLiteral("arrow.down.circle.fill"), arrowDownCircleFill},
        {QStringLiteral("checkmark.circle.fill"), checkmarkCircleFill},
        {QStringLiteral("wifi.slash"), wifiSlash},
        {QStringLiteral("arrow.down.to.line"), arrowDownToLine},
        {QStringLiteral("checkmark"), checkmark},
        {QStringLiteral("paintbrush.fill"), paintbrushFill},
        {QStringLiteral("rectangle.grid.2x2.fill"), gridFill},
        // On Linux the command key is a keyboard shortcut, so a keyboard.
        {QStringLiteral("command"), keyboard},
        {QStringLiteral("plus"), plus},
        {QStringLiteral("arrow.triangle.2.circlepath"), cyclePath},
        {QStringLiteral("rectangle.stack"), rectangleStack},
        {QStringLiteral("gear"), gear},
        {QStringLiteral("info.circle"), infoCircle},
        {QStringLiteral("keyboard.fill"), keyboardFill},
        {QStringLiteral("pencil"), pencil},
        {QStringLiteral("trash"), trash},
        {QStringLiteral("checkmark.seal.fill"), checkmarkSealFill},
        {QStringLiteral("shuffle"), shuffle},
        {QStringLiteral("tray.and.arrow.down"), trayAndArrowDown},
        {QStringLiteral("arrow.uturn.backward.circle"), arrowUturnBackwardCircle},
        {QStringLiteral("photo"), photo},
        {QStringLiteral("photo.on.rectangle.angled"), photoOnRectangleAngled},
        {QStringLiteral("arrow.counterclockwise"), arrowCounterclockwise},
        {QStringLiteral("folder"), folder},
        {QStringLiteral("wand.and.stars"), wandAndStars},
        {QStringLiteral("crop"), crop},
        {QStringLiteral("scribble.variable"), scribbleVariable},
        {QStringLiteral("eraser"), eraser},
        {QStringLiteral("arrow.uturn.backward"), arrowUturnBackward},
        {QStringLiteral("rectangle.dashed"), rectangleDashed},
        {QStringLiteral("exclamationmark.triangle.fill"), exclamationTriangleFill},
        {QStringLiteral("eye"), eye},
        {QStringLiteral("square.and.arrow.up"), squareAndArrowUp},
        {QStringLiteral("square.and.arrow.down"), squareAndArrowDown},
        {QStringLiteral("paintpalette"), paintpalette},
        {QStringLiteral("chevron.up.chevron.down"), chevronUpChevronDown},
    };
    return table;
}

} // namespace

bool SymbolIcon::has(const QString& name) { return builders().contains(name); }

QPainterPath SymbolIcon::path(const QString& name)
{
    static QHash<QString, QPainterPath> cache;
    const auto cached = cache.constFind(name);
    if (cached != cache.constEnd())
        return *cached;
    const Builder builder = builders().value(name);
    const QPainterPath result = builder ? builder() : circle({12, 12}, 3);
    cache.insert(name, result);
    return result;
}

void SymbolIcon::paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24, side / 24);
    painter.fillPath(path(name), color);
    painter.restore();
}

QPixmap SymbolIcon::pixmap(const QString& name, const QColor& color, int side, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(painter, QRectF(0, 0, side, side), name, color);
    return pixmap;
}

} // namespace velmora
