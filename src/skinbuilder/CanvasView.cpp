#include "skinbuilder/CanvasView.h"

#include "skin/ViewportShape.h"
#include "skinbuilder/BezierNode.h"
#include "skinbuilder/PictureFile.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace velmora {

namespace {

const QColor canvasBackground = QColor::fromRgbF(0.12f, 0.12f, 0.14f);
const QColor green(52, 199, 89);
const QColor orange(255, 149, 0);
const QColor magenta(255, 0, 255);
const QColor yellow(255, 204, 0);

constexpr qreal checkerSquare = 10;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

QBrush checkerboardBrush()
{
    // Two squares of each grey on a 2 × 2 tile of 10-point squares.
    QImage tile(int(2 * checkerSquare), int(2 * checkerSquare), QImage::Format_RGB32);
    const QRgb light = qRgb(64, 64, 64); // white level 0.25
    const QRgb dark = qRgb(46, 46, 46); // white level 0.18
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            tile.setPixel(x, y, ((x / int(checkerSquare)) + (y / int(checkerSquare))) % 2 == 0 ? light : dark);
    return QBrush(tile);
}

enum class Anchor { centre, bottomCentre, topCentre, leftCentre, rightCentre };

// Text of a fixed screen size at a picture point, drawn without the zoom so
// it stays crisp.
void drawLabel(QPainter& painter, const QString& text, const QPointF& at, Anchor anchor, int pixelSize,
               QFont::Weight weight, const QColor& color)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    const QFontMetricsF metrics(font);
    const QPointF screen = painter.transform().map(at);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal height = metrics.height();
    QPointF topLeft;
    switch (anchor) {
    case Anchor::centre: topLeft = screen - QPointF(width / 2, height / 2); break;
    case Anchor::bottomCentre: topLeft = screen - QPointF(width / 2, height); break;
    case Anchor::topCentre: topLeft = screen - QPointF(width / 2, 0); break;
    case Anchor::leftCentre: topLeft = screen - QPointF(0, height / 2); break;
    case Anchor::rightCentre: topLeft = screen - QPointF(width, height / 2); break;
    }
    painter.save();
    painter.resetTransform();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    painter.restore();
}

QRectF sorted(const QRectF& rect) { return rect.normalized(); }

} // namespace

CanvasView::CanvasView(SkinBuilderModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_checkerboard(checkerboardBrush())
{
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(wantedSize());
}

QRectF CanvasView::pictureRect() const
{
    if (!m_model.hasImage())
        return QRectF(0, 0, 400, 400);
    return QRectF(QPointF(0, 0), m_model.imagePointSize());
}

QSize CanvasView::wantedSize() const
{
    const QSizeF points = pictureRect().size() + QSizeF(2 * margin, 2 * margin);
    return QSize(int(std::ceil(points.width() * m_magnification)), int(std::ceil(points.height() * m_magnification)));
}

void CanvasView::setMagnification(qreal magnification)
{
    if (!(magnification > 0) || magnification == m_magnification)
        return;
    m_magnification = magnification;
    resize(wantedSize());
    update();
}

void CanvasView::syncWithModel()
{
    if (size() != wantedSize())
        resize(wantedSize());
    update();
}

QPointF CanvasView::imagePoint(const QPointF& widgetPoint) const
{
    return widgetPoint / m_magnification - QPointF(margin, margin);
}

QPointF CanvasView::widgetPoint(const QPointF& imagePoint) const
{
    return (imagePoint + QPointF(margin, margin)) * m_magnification;
}

std::optional<std::array<QPointF, 4>> CanvasView::resolvedViewportCorners() const
{
    const std::optional<QRectF>& viewport = m_model.viewport();
    if (!viewport)
        return std::nullopt;
    const QRectF r = sorted(*viewport);
    std::array<QPointF, 4> corners{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    const std::vector<QPointF>& offsets = m_model.viewportCornerOffsets();
    if (offsets.size() == 4)
        for (std::size_t i = 0; i < 4; ++i)
            corners[i] += offsets[i];
    return corners;
}

QPainterPath CanvasView::resolvedViewportPath() const
{
    const auto corners = resolvedViewportCorners();
    if (!corners)
        return {};
    std::vector<qreal> radii = m_model.viewportCornerRadii();
    if (radii.size() != 4)
        radii.assign(4, SkinBuilderModel::defaultCornerRadius);
    return ViewportShape::roundedQuadPath({corners->begin(), corners->end()}, radii);
}

int CanvasView::hitHandleAtCurrentCorner(const QPointF& point, const QRectF& baseRect, qreal threshold) const
{
    const QRectF r = sorted(baseRect);
    std::array<QPointF, 4> corners{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    const std::vector<QPointF>& offsets = m_model.viewportCornerOffsets();
    for (int i = 0; i < 4; ++i) {
        const QPointF corner = corners[std::size_t(i)] + (offsets.size() == 4 ? offsets[std::size_t(i)] : QPointF());
        if (std::hypot(point.x() - corner.x(), point.y() - corner.y()) <= threshold)
            return i;
    }
    return -1;
}

void CanvasView::commitActivePen()
{
    if (isPenTool(m_model.currentTool())) {
        m_model.commitImagePen();
        return;
    }
    m_model.setDrawerMaskInProgress({});
    m_model.setDrawerMaskDragging(false);
}

QColor CanvasView::activeToolColor() const
{
    switch (m_model.currentTool()) {
    case DrawTool::viewport: return green;
    case DrawTool::button: return orange;
    case DrawTool::drawerViewport: return yellow;
    case DrawTool::drawerMask:
    case DrawTool::imageCropPen:
    case DrawTool::imageErasePen:
    case DrawTool::magicWand: return magenta;
    }
    return green;
}

// --- Input ---------------------------------------------------------------

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    press(imagePoint(event->position()), 1, event->modifiers());
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    press(imagePoint(event->position()), 2, event->modifiers());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        drag(imagePoint(event->position()));
    else
        hover(imagePoint(event->position()));
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    release();
}

void CanvasView::leaveEvent(QEvent* event)
{
    hover(std::nullopt);
    QWidget::leaveEvent(event);
}

void CanvasView::press(const QPointF& p, int clickCount, Qt::KeyboardModifiers modifiers)
{
    const DrawTool tool = m_model.currentTool();
    if (tool == DrawTool::magicWand) {
        m_model.magicWandErase(p, m_model.magicWandTolerance());
        update();
        return;
    }
    if (isPenTool(tool)) {
        if (clickCount < 2) {
            m_model.addMaskVertex(p);
            m_dragStart = p;
        } else {
            commitActivePen();
        }
        update();
        return;
    }
    if (tool != DrawTool::viewport)
        return;
    if (const std::optional<QRectF>& viewport = m_model.viewport()) {
        const int corner = hitHandleAtCurrentCorner(p, *viewport, cornerGrabDistance / m_magnification);
        if (corner >= 0) {
            m_dragMode = (modifiers & Qt::ControlModifier) ? DragMode::distortCorner : DragMode::resizeViewport;
            m_resizeCorner = corner;
            m_dragStart = p;
            return;
        }
        if (resolvedViewportPath().contains(p)) {
            m_dragMode = DragMode::moveViewport;
            m_dragStart = p;
            return;
        }
    }
    m_dragMode = DragMode::draw;
    m_dragStart = p;
    m_currentDragRect.reset();
}

void CanvasView::drag(const QPointF& p)
{
    if (!m_dragStart)
        return;
    const QPointF d = p - *m_dragStart;
    if (isPenTool(m_model.currentTool())) {
        m_model.updateMaskDragHandle(p);
        update();
        return;
    }
    const std::optional<QRectF>& viewport = m_model.viewport();
    switch (m_dragMode) {
    case DragMode::draw:
        m_currentDragRect = QRectF(QPointF(std::min(m_dragStart->x(), p.x()), std::min(m_dragStart->y(), p.y())),
                                   QSizeF(std::abs(d.x()), std::abs(d.y())));
        update();
        return; // the band stays anchored at the press
    case DragMode::moveViewport:
        if (viewport)
            m_model.setViewport(viewport->translated(d));
        break;
    case DragMode::resizeViewport:
        if (viewport) {
            // Raw origin and size: a corner dragged past the opposite edge
            // leaves a negative size until the button is released.
            double x = viewport->x(), y = viewport->y(), w = viewport->width(), h = viewport->height();
            switch (m_resizeCorner) {
            case 0:
                x += d.x();
                y += d.y();
                w -= d.x();
                h -= d.y();
                break;
            case 1:
                y += d.y();
                w += d.x();
                h -= d.y();
                break;
            case 2:
                w += d.x();
                h += d.y();
                break;
            default:
                x += d.x();
                w -= d.x();
                h += d.y();
                break;
            }
            m_model.setViewport(QRectF(x, y, w, h));
        }
        break;
    case DragMode::distortCorner: {
        std::vector<QPointF> offsets = m_model.viewportCornerOffsets();
        if (offsets.size() != 4)
            return;
        offsets[std::size_t(m_resizeCorner)] += d;
        m_model.setViewportCornerOffsets(offsets);
        break;
    }
    }
    update();
    m_dragStart = p;
}

void CanvasView::release()
{
    if (m_dragMode == DragMode::draw && m_currentDragRect && m_dragStart)
        m_model.finishDraw(*m_currentDragRect);
    if (m_dragStart && m_dragMode == DragMode::resizeViewport)
        if (const std::optional<QRectF>& viewport = m_model.viewport())
            if (viewport->width() < 0 || viewport->height() < 0)
                m_model.setViewport(viewport->normalized());
    if (isPenTool(m_model.currentTool()))
        m_model.setDrawerMaskDragging(false);
    m_dragStart.reset();
    m_currentDragRect.reset();
    update();
}

void CanvasView::hover(const std::optional<QPointF>& point)
{
    if (point && isPenTool(m_model.currentTool()) && !m_model.drawerMaskInProgress().empty()) {
        m_penHoverPoint = point;
        update();
    } else if (m_penHoverPoint) {
        m_penHoverPoint.reset();
        update();
    }
}

void CanvasView::keyPressEvent(QKeyEvent* event)
{
    std::vector<BezierNode> nodes = m_model.drawerMaskInProgress();
    if (nodes.empty())
        return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Escape:
        m_model.setDrawerMaskInProgress({});
        m_model.setDrawerMaskDragging(false);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: commitActivePen(); break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        nodes.pop_back();
        m_model.setDrawerMaskInProgress(nodes);
        break;
    default: return QWidget::keyPressEvent(event);
    }
    update();
}

// --- Drawing ---------------------------------------------------------------

QPen CanvasView::overlayPen(const QColor& color, qreal width, qreal dash) const
{
    QPen pen(color, width / m_magnification);
    pen.setJoinStyle(Qt::MiterJoin);
    if (dash > 0) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({dash / width, dash / width}); // in pen widths
    }
    return pen;
}

QRectF CanvasView::dot(const QPointF& centre, qreal diameter) const
{
    const qreal d = diameter / m_magnification;
    return QRectF(centre.x() - d / 2, centre.y() - d / 2, d, d);
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), canvasBackground);
    painter.scale(m_magnification, m_magnification);
    painter.translate(margin, margin);

    const QRectF picture = pictureRect();
    drawCheckerboard(painter, picture);
    if (m_model.hasImage())
        drawPicture(painter, picture, event->rect());

    painter.setRenderHint(QPainter::Antialiasing);
    if (const std::optional<QRectF>& viewport = m_model.viewport())
        drawViewport(painter, *viewport);
    for (std::size_t i = 0; i < m_model.buttons().size(); ++i)
        drawButton(painter, m_model.buttons()[i], i);
    if (m_model.drawerEnabled()) {
        drawDrawerEdge(painter, m_model.drawerEdge());
        if (const std::optional<QRectF>& rect = m_model.drawerViewport())
            drawDrawerViewport(painter, *rect);
        if (!m_model.drawerMask().empty())
            drawDrawerMask(painter, m_model.drawerMask(), false);
    }
    if (!m_model.drawerMaskInProgress().empty()) {
        drawDrawerMask(painter, m_model.drawerMaskInProgress(), true);
        drawPenHover(painter);
    }
    drawRubberBand(painter);
}

void CanvasView::drawCheckerboard(QPainter& painter, const QRectF& rect)
{
    // One textured fill; the tile follows the zoom, its squares start at the
    // picture's corner.
    painter.save();
    painter.setBrushOrigin(rect.topLeft());
    painter.fillRect(rect, m_checkerboard);
    painter.restore();
}

void CanvasView::drawPicture(QPainter& painter, const QRectF& rect, const QRect& exposed)
{
    const QImage& image = m_model.skinImage();
    if (m_pictureKey != image.cacheKey() || m_picture.isNull()) {
        m_picture = QPixmap::fromImage(image);
        m_picture.setDevicePixelRatio(1);
        m_pictureKey = image.cacheKey();
    }
    // Only the exposed part of the picture, in its own pixels.
    const QRectF visible = painter.transform().inverted().mapRect(QRectF(exposed)).intersected(rect);
    if (visible.isEmpty())
        return;
    const qreal sx = m_picture.width() / rect.width();
    const qreal sy = m_picture.height() / rect.height();
    const QRectF source(
        (visible.x() - rect.x()) * sx, (visible.y() - rect.y()) * sy, visible.width() * sx, visible.height() * sy);
    // Smooth when shrinking; whole pixels when zoomed in to edit them.
    const qreal screenPixelsPerPicturePixel = m_magnification / sx * devicePixelRatioF();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, screenPixelsPerPicturePixel < 2);
    painter.drawPixmap(visible, m_picture, source);
}

void CanvasView::drawViewport(QPainter& painter, const QRectF& viewport)
{
    const QPainterPath path = resolvedViewportPath();
    painter.fillPath(path, withAlpha(green, 0.08));
    painter.strokePath(path, overlayPen(green, 2));

    const auto corners = resolvedViewportCorners();
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    for (const QPointF& corner : *corners)
        painter.drawEllipse(dot(corner, cornerHandleSize));

    bool quad = false;
    for (const QPointF& offset : m_model.viewportCornerOffsets())
        quad = quad || offset.x() != 0 || offset.y() != 0;
    const QString label = QStringLiteral("VIEWPORT %1x%2%3")
                              .arg(qint64(viewport.width()))
                              .arg(qint64(viewport.height()))
                              .arg(quad ? QStringLiteral(" (quad)") : QString());
    const QRectF box = path.boundingRect();
    drawLabel(painter,
              label,
              QPointF(box.center().x(), box.top() - 4 / m_magnification),
              Anchor::bottomCentre,
              9,
              QFont::Bold,
              green);
}

void CanvasView::drawButton(QPainter& painter, const ButtonDef& button, std::size_t index)
{
    const QRectF r = sorted(button.rect);
    QPainterPath shape;
    if (button.shape == ButtonShape::circle) {
        const qreal d = std::min(r.width(), r.height());
        shape.addEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else {
        shape.addRect(r);
    }
    painter.fillPath(shape, withAlpha(orange, 0.1));
    painter.strokePath(shape, overlayPen(orange, 2));
    const QString label = button.label.isEmpty() ? QStringLiteral("BTN %1").arg(index + 1) : button.label;
    drawLabel(painter, label, r.center(), Anchor::centre, 8, QFont::Bold, orange);
}

void CanvasView::drawDrawerEdge(QPainter& painter, DrawerEdge edge)
{
    const QRectF area = pictureRect();
    const qreal t = 4 / m_magnification;
    const qreal gap = 2 / m_magnification;
    const qreal inset = 4 / m_magnification;
    QRectF strip;
    QPointF at;
    Anchor anchor = Anchor::centre;
    switch (edge) {
    case DrawerEdge::top:
        strip = QRectF(area.left(), area.top(), area.width(), t);
        at = QPointF(area.center().x(), area.top() + t + gap);
        anchor = Anchor::topCentre;
        break;
    case DrawerEdge::bottom:
        strip = QRectF(area.left(), area.bottom() - t, area.width(), t);
        at = QPointF(area.center().x(), area.bottom() - t - gap);
        anchor = Anchor::bottomCentre;
        break;
    case DrawerEdge::left:
        strip = QRectF(area.left(), area.top(), t, area.height());
        at = QPointF(area.left() + t + inset, area.center().y());
        anchor = Anchor::leftCentre;
        break;
    case DrawerEdge::right:
        strip = QRectF(area.right() - t, area.top(), t, area.height());
        at = QPointF(area.right() - t - inset, area.center().y());
        anchor = Anchor::rightCentre;
        break;
    }
    painter.fillRect(strip, withAlpha(magenta, 0.35));
    drawLabel(
        painter, QStringLiteral("DRAWER \u25B8 ") + rawValue(edge).toUpper(), at, anchor, 9, QFont::DemiBold, magenta);
}

void CanvasView::drawDrawerViewport(QPainter& painter, const QRectF& rect)
{
    const QRectF r = sorted(rect);
    painter.fillRect(r, withAlpha(yellow, 0.12));
    painter.setPen(overlayPen(yellow, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    drawLabel(painter, QStringLiteral("DRAWER VIEWPORT"), r.center(), Anchor::centre, 8, QFont::Bold, yellow);
}

void CanvasView::drawDrawerMask(QPainter& painter, const std::vector<BezierNode>& nodes, bool inProgress)
{
    const QPainterPath path = bezierPath(nodes, !inProgress);
    if (inProgress) {
        painter.strokePath(path, overlayPen(magenta, 2, 4));
        if (nodes.size() >= 2) {
            painter.setPen(overlayPen(withAlpha(magenta, 0.5), 2, 3));
            painter.drawLine(nodes.back().point, nodes.front().point);
        }
    } else {
        QPainterPath filled = path;
        filled.setFillRule(Qt::WindingFill);
        painter.fillPath(filled, withAlpha(magenta, 0.15));
        painter.strokePath(path, overlayPen(magenta, 2));
    }
    for (const BezierNode& node : nodes) {
        if (node.isStraight())
            continue;
        painter.setPen(overlayPen(withAlpha(magenta, 0.55), 1));
        painter.drawLine(node.handleIn, node.point);
        painter.drawLine(node.handleOut, node.point);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(magenta, 0.4));
        painter.drawEllipse(dot(node.handleIn, 6));
        painter.drawEllipse(dot(node.handleOut, 6));
    }
    painter.setPen(overlayPen(magenta, 1.5));
    painter.setBrush(Qt::white);
    for (const BezierNode& node : nodes)
        painter.drawEllipse(dot(node.point, 6));
}

void CanvasView::drawPenHover(QPainter& painter)
{
    if (!m_penHoverPoint)
        return;
    painter.setPen(overlayPen(withAlpha(magenta, 0.7), 1.5, 3));
    painter.drawLine(m_model.drawerMaskInProgress().back().point, *m_penHoverPoint);
}

void CanvasView::drawRubberBand(QPainter& painter)
{
    if (!m_currentDragRect || m_dragMode != DragMode::draw || isPenTool(m_model.currentTool()))
        return;
    const QColor color = activeToolColor();
    painter.fillRect(*m_currentDragRect, withAlpha(color, 0.1));
    painter.setPen(overlayPen(color, 2, 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(*m_currentDragRect);
}

} // namespace velmora
