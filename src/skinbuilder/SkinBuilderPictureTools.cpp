// The builder's picture clean-up tools, pen polygons, rubber band and undo.

#include "skinbuilder/SkinBuilderModel.h"

#include "skinbuilder/PictureCleanup.h"
#include "skinbuilder/PictureFile.h"

#include <climits>
#include <cmath>

namespace velmora {

namespace {

constexpr int trimMargin = 4;
constexpr double smallestDrawnSide = 5;

QRectF shifted(const QRectF& rect, const QPointF& by) { return rect.translated(by); }

BezierNode shifted(const BezierNode& node, const QPointF& by)
{
    return BezierNode(node.point + by, node.handleIn + by, node.handleOut + by);
}

std::vector<BezierNode> shifted(const std::vector<BezierNode>& nodes, const QPointF& by)
{
    std::vector<BezierNode> moved;
    moved.reserve(nodes.size());
    for (const BezierNode& node : nodes)
        moved.push_back(shifted(node, by));
    return moved;
}

// The tolerance as a whole number, cut toward zero; never negative.
int wholeTolerance(double tolerance)
{
    if (!(tolerance > 0))
        return 0;
    return tolerance >= INT_MAX ? INT_MAX : int(tolerance);
}

} // namespace

void SkinBuilderModel::magicWandErase(const QPointF& point, double tolerance)
{
    ChangeBatch batch(*this);
    // The new picture: the one buffer this click writes (the old picture stays
    // whole for undo).
    QImage rgba = hasImage() ? m_skinImage.convertToFormat(QImage::Format_RGBA8888) : QImage();
    if (rgba.isNull()) {
        setStatus(QStringLiteral("Magic wand needs an RGBA image"), true);
        return;
    }
    const QSizeF points = imagePointSize();
    const double x = std::floor(point.x() / points.width() * rgba.width());
    const double y = std::floor(point.y() / points.height() * rgba.height());
    // Outside the picture (or not a number): nothing to do.
    if (!(x >= 0 && x < rgba.width() && y >= 0 && y < rgba.height()))
        return;
    const QPoint seed{int(x), int(y)};
    if (qAlpha(rgba.pixel(seed)) == 0) {
        setStatus(QStringLiteral("That spot is already transparent"), false);
        return;
    }
    pushUndo();
    const qsizetype cleared = PictureCleanup::magicWand(rgba, seed, wholeTolerance(tolerance));
    if (cleared == 0)
        return;
    rgba.setDevicePixelRatio(m_skinImage.devicePixelRatio());
    replaceImage(std::move(rgba));
    setStatus(QStringLiteral("Magic wand erased %1 px").arg(cleared), false);
}

void SkinBuilderModel::removeBackground(double tolerance)
{
    if (!hasImage())
        return;
    ChangeBatch batch(*this);
    pushUndo();
    QImage buffer = m_skinImage.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (buffer.isNull()) {
        m_history.pop(); // nothing changed: take the step back
        return;
    }
    PictureCleanup::removeBackground(buffer, tolerance);
    buffer.setDevicePixelRatio(m_skinImage.devicePixelRatio());
    replaceImage(std::move(buffer));
    setStatus(QStringLiteral("Background removed"), false);
}

void SkinBuilderModel::trimToContent()
{
    if (!hasImage())
        return;
    ChangeBatch batch(*this);
    pushUndo();
    const std::optional<QRect> content = PictureCleanup::opaqueBounds(m_skinImage);
    if (!content) {
        m_history.pop();
        setStatus(QStringLiteral("No opaque content found"), true);
        return;
    }
    const QRect crop = PictureCleanup::withMargin(*content, m_skinImage.size(), trimMargin);
    QImage cropped = m_skinImage.copy(crop);
    if (cropped.isNull()) {
        m_history.pop();
        return;
    }
    const double pixelsPerPoint = m_skinImage.devicePixelRatio();
    cropped.setDevicePixelRatio(pixelsPerPoint);
    const QPointF removed(-crop.x() / pixelsPerPoint, -crop.y() / pixelsPerPoint);

    publish(m_imagePixelSize, QSizeF(cropped.size()));
    // What lies on the device keeps its place on it.
    if (m_viewport)
        publish(m_viewport, std::optional<QRectF>(shifted(*m_viewport, removed)));
    std::vector<ButtonDef> buttons = m_buttons;
    for (ButtonDef& button : buttons)
        button.rect = shifted(button.rect, removed);
    publish(m_buttons, buttons);
    if (m_drawerViewport)
        publish(m_drawerViewport, std::optional<QRectF>(shifted(*m_drawerViewport, removed)));
    publish(m_drawerMask, shifted(m_drawerMask, removed));
    publish(m_drawerMaskInProgress, shifted(m_drawerMaskInProgress, removed));
    replaceImage(std::move(cropped));
    setStatus(QStringLiteral("Trimmed to %1x%2px").arg(crop.width()).arg(crop.height()), false);
}

void SkinBuilderModel::addMaskVertex(const QPointF& point)
{
    ChangeBatch batch(*this);
    std::vector<BezierNode> nodes = m_drawerMaskInProgress;
    nodes.emplace_back(point);
    publish(m_drawerMaskInProgress, nodes);
    const std::size_t n = nodes.size();
    setStatus(QStringLiteral("Pen: %1 node%2 \u2014 drag to curve, dbl-click / Return to close")
                  .arg(n)
                  .arg(n == 1 ? QString() : QStringLiteral("s")),
              false);
}

void SkinBuilderModel::updateMaskDragHandle(const QPointF& point)
{
    if (m_drawerMaskInProgress.empty())
        return;
    ChangeBatch batch(*this);
    std::vector<BezierNode> nodes = m_drawerMaskInProgress;
    BezierNode& last = nodes.back();
    last.handleOut = point;
    last.handleIn = 2 * last.point - point;
    publish(m_drawerMaskInProgress, nodes);
    publish(m_drawerMaskDragging, true);
}

void SkinBuilderModel::commitImagePen()
{
    ChangeBatch batch(*this);
    const std::size_t n = m_drawerMaskInProgress.size();
    if (n < 3) {
        setStatus(QStringLiteral("Pen needs at least 3 points"), true);
    } else if (hasImage()) {
        const bool keepInside = m_currentTool == DrawTool::imageCropPen;
        QImage masked
            = PictureCleanup::applyPolygonMask(m_skinImage, imagePointSize(), m_drawerMaskInProgress, keepInside);
        if (!masked.isNull()) {
            pushUndo();
            replaceImage(std::move(masked));
            setStatus(
                (keepInside ? QStringLiteral("Cropped to %1-node polygon") : QStringLiteral("Erased %1-node polygon"))
                    .arg(n),
                false);
        }
    }
    publish(m_drawerMaskInProgress, std::vector<BezierNode>());
    publish(m_drawerMaskDragging, false);
}

void SkinBuilderModel::finishDraw(const QRectF& rect)
{
    const QSizeF bounds = imagePointSize();
    const double left = std::max(rect.left(), 0.0);
    const double top = std::max(rect.top(), 0.0);
    const double width = std::min(rect.right(), bounds.width()) - left;
    const double height = std::min(rect.bottom(), bounds.height()) - top;
    if (!(width > smallestDrawnSide) || !(height > smallestDrawnSide))
        return;
    const QRectF drawn(std::round(left), std::round(top), std::round(width), std::round(height));
    if (m_currentTool != DrawTool::viewport)
        return;
    ChangeBatch batch(*this);
    setViewport(drawn);
    setStatus(QStringLiteral("Viewport set: %1x%2").arg(qint64(drawn.width())).arg(qint64(drawn.height())), false);
}

void SkinBuilderModel::pushUndo()
{
    if (!hasImage())
        return;
    m_history.push({m_skinImage, m_viewport, m_buttons, m_imagePixelSize, m_drawerViewport, m_drawerMask});
}

void SkinBuilderModel::undo()
{
    ChangeBatch batch(*this);
    std::optional<ImageSnapshot> snapshot = m_history.pop();
    if (!snapshot) {
        setStatus(QStringLiteral("Nothing to undo"), true);
        return;
    }
    publish(m_viewport, snapshot->viewport);
    publish(m_buttons, snapshot->buttons);
    publish(m_imagePixelSize, snapshot->pixelSize);
    publish(m_drawerViewport, snapshot->drawerViewport);
    publish(m_drawerMask, snapshot->drawerMask);
    replaceImage(std::move(snapshot->image));
    setStatus(QStringLiteral("Undo (%1 remaining)").arg(m_history.count()), false);
}

} // namespace velmora
