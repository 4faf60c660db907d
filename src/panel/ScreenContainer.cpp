#include "panel/ScreenContainer.h"

#include "panel/Panel.h"
#include "skin/ViewportShape.h"

#include <QMouseEvent>
#include <QRegion>

#include <cmath>

namespace velmora {

ScreenContainer::ScreenContainer(QWidget* parent)
    : QWidget(parent)
    , m_innerSize(QSizeF(size()))
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ScreenContainer::configureViewport(const QRectF& hostFrame, const QSizeF& innerSize,
                                        const std::vector<QPointF>& quadCorners, double cornerRadius,
                                        const std::vector<double>& cornerRadii)
{
    if (!std::isfinite(hostFrame.x()) || !std::isfinite(hostFrame.y()) || !std::isfinite(hostFrame.width())
        || !std::isfinite(hostFrame.height()) || !(hostFrame.width() > 0) || !(hostFrame.height() > 0))
        return;
    const int left = int(std::floor(hostFrame.left()));
    const int top = int(std::floor(hostFrame.top()));
    const int right = int(std::ceil(hostFrame.right()));
    const int bottom = int(std::ceil(hostFrame.bottom()));
    setGeometry(left, top, std::max(1, right - left), std::max(1, bottom - top));
    m_innerSize = innerSize;
    m_viewportCornerRadius = cornerRadius;
    m_cornerRadii = cornerRadii;
    m_hasDistortion = quadCorners.size() == 4;
    if (m_hasDistortion) {
        // The corners are relative to the host frame; the container starts at
        // the frame rounded down.
        const QPointF shift(hostFrame.left() - left, hostFrame.top() - top);
        m_quadTargets.clear();
        for (const QPointF& corner : quadCorners)
            m_quadTargets.push_back(corner + shift);
    } else {
        m_quadTargets = defaultQuadInBounds();
    }
    for (const auto& [slot, panel] : m_panels) {
        if (panel)
            applyGeometry(panel->rootView());
    }
}

std::vector<QPointF> ScreenContainer::defaultQuadInBounds() const
{
    return ViewportShape::corners(innerRect());
}

QRectF ScreenContainer::innerRect() const
{
    const double x0 = (width() - m_innerSize.width()) * 0.5;
    const double y0 = (height() - m_innerSize.height()) * 0.5;
    return QRectF(x0, y0, m_innerSize.width(), m_innerSize.height());
}

void ScreenContainer::applyGeometry(QWidget* view)
{
    if (!view)
        return;
    if (!m_hasDistortion) {
        view->setGeometry(rect());
        view->clearMask();
        return;
    }
    // The inner rectangle, grown to whole pixels so that it reaches every
    // pixel the frame leaves open.
    view->setGeometry(innerRect().toAlignedRect().intersected(rect()));
    applyMask(view);
}

void ScreenContainer::applyMask(QWidget* view)
{
    std::vector<double> radii = m_cornerRadii;
    if (radii.size() != 4)
        radii.assign(4, m_viewportCornerRadius);
    const QRectF local(QPointF(0, 0), QSizeF(view->size()));
    const QPainterPath outline = ViewportShape::roundedQuadPath(ViewportShape::corners(local), radii);
    view->setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void ScreenContainer::registerPanel(Panel* panel, int slot)
{
    if (!panel)
        return;
    m_panels[slot] = panel;
    QWidget* root = panel->rootView();
    applyGeometry(root);
    root->setParent(this);
    root->setVisible(slot == m_activeIndex);
    if (slot == m_activeIndex && root->window() != root) {
        if (QWidget* keyboard = panel->keyboardView())
            keyboard->setFocus(Qt::OtherFocusReason);
    }
}

void ScreenContainer::mousePressEvent(QMouseEvent* event)
{
    // Outside the screen's outline: the press belongs to the frame around it.
    event->ignore();
}

} // namespace velmora
