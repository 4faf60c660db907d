#include "screen/ScreenContainer.h"

#include "screen/Panel.h"
#include "screen/ScreenWarpEffect.h"
#include "skin/ViewportShape.h"

#include <QApplication>
#include <QChildEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// The curvature reaches this far beyond the screen's longer side.
constexpr double curvatureReach = 1.1;

// Marks a widget that painted opaquely before the warp.
constexpr const char* opaquePaintingProperty = "velmoraOpaquePainting";

// The deepest shown child of root under the point (root's coordinates), or
// root itself; children that let mouse events through are passed over, as
// Qt does.
QWidget* widgetAt(QWidget* root, const QPoint& point)
{
    QWidget* widget = root;
    QPoint local = point;
    for (;;) {
        QWidget* hit = nullptr;
        const QObjectList& children = widget->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            auto* child = qobject_cast<QWidget*>(*it);
            if (!child || child->isWindow() || child->isHidden()
                || child->testAttribute(Qt::WA_TransparentForMouseEvents))
                continue;
            if (!child->geometry().contains(local))
                continue;
            if (!child->mask().isEmpty() && !child->mask().contains(local - child->pos()))
                continue;
            hit = child;
            break;
        }
        if (!hit)
            return widget;
        local -= hit->pos();
        widget = hit;
    }
}

} // namespace

ScreenContainer::ScreenContainer(QWidget* parent) : QWidget(parent), m_innerSize(QSizeF(size()))
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    m_stage = new QWidget(this);
    m_stage->setAttribute(Qt::WA_NoSystemBackground);
    m_stage->setAttribute(Qt::WA_TranslucentBackground);
    m_stage->setGeometry(rect());
}

ScreenContainer::~ScreenContainer() = default;

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
    m_hostFrame = hostFrame;
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
    layoutStage();
    for (const auto& [slot, panel] : m_panels) {
        if (panel)
            applyGeometry(panel->rootView());
    }
}

void ScreenContainer::setScreenEffects(double curvatureScale, const ScreenGlow& glow)
{
    m_curvatureScale = std::isfinite(curvatureScale) ? curvatureScale : 0.0;
    m_glow = glow;
    for (const auto& [slot, panel] : m_panels) {
        if (panel)
            applyGeometry(panel->rootView());
    }
}

void ScreenContainer::layoutStage()
{
    // Over the container, and under the whole panel where the quadrilateral
    // is smaller than the undistorted screen.
    QRect area = rect();
    if (m_hasDistortion)
        area = area.united(innerRect().toAlignedRect());
    m_stage->setGeometry(area);
}

std::vector<QPointF> ScreenContainer::defaultQuadInBounds() const { return ViewportShape::corners(innerRect()); }

QRectF ScreenContainer::innerRect() const
{
    const double x0 = (width() - m_innerSize.width()) * 0.5;
    const double y0 = (height() - m_innerSize.height()) * 0.5;
    return QRectF(x0, y0, m_innerSize.width(), m_innerSize.height());
}

QPointF ScreenContainer::originOf(const QWidget* view) const { return QPointF(view->mapTo(this, QPoint(0, 0))); }

std::vector<QPointF> ScreenContainer::cornersRelativeTo(const QPointF& origin) const
{
    std::vector<QPointF> corners;
    for (const QPointF& target : m_quadTargets)
        corners.push_back(target - origin);
    return corners;
}

BumpDistortion ScreenContainer::bumpFor(const QSizeF& size) const
{
    BumpDistortion bump;
    if (m_curvatureScale == 0)
        return bump;
    bump.centre = QPointF(size.width() / 2, size.height() / 2);
    bump.radius = curvatureReach * std::max(size.width(), size.height());
    bump.scale = m_curvatureScale;
    bump.bounds = size;
    return bump;
}

bool ScreenContainer::needsWarp(const QWidget* view) const
{
    if (!m_hasDistortion || !view)
        return false;
    if (m_curvatureScale != 0 || m_glow.isActive())
        return true;
    // The corners as configured, against the inner rectangle centred in the
    // exact host frame: a plain screen is the identity whatever the rounding.
    const QPointF origin((m_hostFrame.width() - m_innerSize.width()) * 0.5,
                         (m_hostFrame.height() - m_innerSize.height()) * 0.5);
    const QPointF shift(m_hostFrame.left() - std::floor(m_hostFrame.left()),
                        m_hostFrame.top() - std::floor(m_hostFrame.top()));
    std::vector<QPointF> corners;
    for (const QPointF& target : m_quadTargets)
        corners.push_back(target - shift - origin);
    return !ViewportShape::isIdentityMap(m_innerSize.width(), m_innerSize.height(), corners);
}

void ScreenContainer::applyGeometry(QWidget* view)
{
    if (!view)
        return;
    const QPoint stageOrigin = m_stage->pos();
    if (!m_hasDistortion) {
        removeWarp(view);
        view->setGeometry(rect().translated(-stageOrigin));
        view->clearMask();
        return;
    }
    if (needsWarp(view)) {
        // The widget keeps the inner size; the warp puts it on the corners.
        const QRectF inner = innerRect();
        const QRect placed(
            QPoint(int(std::lround(inner.x())), int(std::lround(inner.y()))),
            QSize(std::max(1, int(std::lround(inner.width()))), std::max(1, int(std::lround(inner.height())))));
        view->setGeometry(placed.translated(-stageOrigin));
        view->clearMask();
        installWarp(view);
        return;
    }
    removeWarp(view);
    // The inner rectangle, grown to whole pixels so that it reaches every
    // pixel the frame leaves open.
    view->setGeometry(innerRect().toAlignedRect().intersected(rect()).translated(-stageOrigin));
    applyMask(view);
}

std::vector<double> ScreenContainer::outlineRadii() const
{
    return m_cornerRadii.size() == 4 ? m_cornerRadii : std::vector<double>(4, m_viewportCornerRadius);
}

QPainterPath ScreenContainer::outline() const
{
    QPainterPath path = ViewportShape::roundedQuadPath(m_quadTargets, outlineRadii());
    path.setFillRule(Qt::WindingFill);
    return path;
}

void ScreenContainer::applyMask(QWidget* view)
{
    const std::vector<double> radii = outlineRadii();
    const QRectF local(QPointF(0, 0), QSizeF(view->size()));
    const QPainterPath outline = ViewportShape::roundedQuadPath(ViewportShape::corners(local), radii);
    view->setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void ScreenContainer::installWarp(QWidget* view)
{
    auto* effect = qobject_cast<ScreenWarpEffect*>(m_stage->graphicsEffect());
    if (!effect) {
        effect = new ScreenWarpEffect(m_stage);
        m_stage->setGraphicsEffect(effect);
    }
    const std::vector<double> radii = outlineRadii();
    effect->setShape(
        view->geometry(), cornersRelativeTo(QPointF(m_stage->pos())), radii, bumpFor(QSizeF(view->size())));
    effect->setGlow(m_glow);
    // Clicks reach the container, which maps them back onto the widget; the
    // ones it hands on stop at the widget.
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->setAttribute(Qt::WA_NoMousePropagation);
    takeOpaquePainting(view);
    setMouseTracking(true);
    m_warping = true;
}

void ScreenContainer::takeOpaquePainting(QWidget* widget)
{
    // Qt leaves a widget that paints opaquely out of its parent's repaints,
    // and so out of the warp's: while warping every widget of the panel
    // paints as if it were transparent. Widgets added later are caught as
    // they come.
    if (widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
        widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
        widget->setProperty(opaquePaintingProperty, true);
    }
    widget->installEventFilter(this);
    for (QObject* child : widget->children()) {
        if (auto* childWidget = qobject_cast<QWidget*>(child); childWidget && !childWidget->isWindow())
            takeOpaquePainting(childWidget);
    }
}

void ScreenContainer::restoreOpaquePainting(QWidget* widget)
{
    if (widget->property(opaquePaintingProperty).toBool()) {
        widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
        widget->setProperty(opaquePaintingProperty, QVariant());
    }
    widget->removeEventFilter(this);
    for (QObject* child : widget->children()) {
        if (auto* childWidget = qobject_cast<QWidget*>(child); childWidget && !childWidget->isWindow())
            restoreOpaquePainting(childWidget);
    }
}

bool ScreenContainer::eventFilter(QObject* watched, QEvent* event)
{
    if (m_warping && (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)) {
        auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
        if (child && !child->isWindow())
            takeOpaquePainting(child);
    }
    return QWidget::eventFilter(watched, event);
}

void ScreenContainer::removeWarp(QWidget* view)
{
    if (m_warping)
        restoreOpaquePainting(view);
    if (m_stage->graphicsEffect())
        m_stage->setGraphicsEffect(nullptr);
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    view->setAttribute(Qt::WA_NoMousePropagation, false);
    setMouseTracking(false);
    setHoverTarget(nullptr, {}, {});
    m_mouseGrab = nullptr;
    m_warping = false;
}

void ScreenContainer::registerPanel(Panel* panel, int slot)
{
    if (!panel)
        return;
    m_panels[slot] = panel;
    QWidget* root = panel->rootView();
    root->setParent(m_stage);
    applyGeometry(root);
    root->setVisible(slot == m_activeIndex);
    if (slot == m_activeIndex && root->window() != root) {
        if (QWidget* keyboard = panel->keyboardView())
            keyboard->setFocus(Qt::OtherFocusReason);
    }
}

QWidget* ScreenContainer::activeRoot() const
{
    const auto found = m_panels.find(m_activeIndex);
    return found != m_panels.end() && found->second ? found->second->rootView() : nullptr;
}

std::optional<QPointF> ScreenContainer::panelPoint(const QPointF& containerPoint, bool insideOnly) const
{
    QWidget* root = activeRoot();
    if (!root || !m_hasDistortion)
        return std::nullopt;
    // The screen shows only inside its rounded outline; the tips of the
    // corners belong to the frame around it.
    if (insideOnly && !outline().contains(containerPoint))
        return std::nullopt;
    const QSizeF size(root->size());
    const QPointF origin = originOf(root);
    const std::vector<QPointF> corners = cornersRelativeTo(origin);
    const QPointF local = containerPoint - origin;
    const auto flat = ViewportShape::inverseQuadMap(local, size.width(), size.height(), corners);
    if (!flat)
        return std::nullopt;
    if (insideOnly && (flat->x() < 0 || flat->x() > size.width() || flat->y() < 0 || flat->y() > size.height()))
        return std::nullopt;
    return bumpFor(size).sourcePoint(*flat);
}

std::optional<QPointF> ScreenContainer::panelPointAt(const QPointF& containerPoint) const
{
    return panelPoint(containerPoint, true);
}

void ScreenContainer::setHoverTarget(QWidget* target, const QPointF& local, const QPointF& global)
{
    if (target == m_hoverTarget)
        return;
    if (m_hoverTarget) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_hoverTarget, &leave);
    }
    m_hoverTarget = target;
    if (target) {
        QEnterEvent enter(local, target->mapTo(target->window(), local), global);
        QCoreApplication::sendEvent(target, &enter);
        setCursor(target->cursor());
    } else {
        unsetCursor();
    }
}

void ScreenContainer::forwardMouse(QMouseEvent* event)
{
    QWidget* root = activeRoot();
    if (!m_warping || !root) {
        event->ignore();
        return;
    }
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    QWidget* target = nullptr;
    std::optional<QPointF> point;
    if (press || !m_mouseGrab) {
        // A press, or the pointer passing over: only on the screen itself.
        point = panelPoint(event->position(), true);
        if (!point) {
            setHoverTarget(nullptr, {}, {});
            event->ignore();
            return;
        }
        target = widgetAt(root, point->toPoint());
        if (press)
            m_mouseGrab = target;
    } else {
        // A drag or a release goes to the child that took the press, even
        // beyond the screen's edge.
        point = panelPoint(event->position(), false);
        target = m_mouseGrab;
        if (!point)
            return;
    }
    const QPointF local = *point - QPointF(target->mapTo(root, QPoint(0, 0)));
    if (!press && !m_mouseGrab) {
        setHoverTarget(target, local, event->globalPosition());
        if (!target->hasMouseTracking())
            return;
    }
    QMouseEvent forwarded(event->type(),
                          local,
                          target->mapTo(target->window(), local),
                          event->globalPosition(),
                          event->button(),
                          event->buttons(),
                          event->modifiers(),
                          event->pointingDevice());
    forwarded.setTimestamp(event->timestamp());
    QCoreApplication::sendEvent(target, &forwarded);
    if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton)
        m_mouseGrab = nullptr;
    event->accept();
}

void ScreenContainer::mousePressEvent(QMouseEvent* event)
{
    // Outside the screen's outline the press belongs to the frame around it.
    forwardMouse(event);
}

void ScreenContainer::mouseDoubleClickEvent(QMouseEvent* event) { forwardMouse(event); }

void ScreenContainer::mouseMoveEvent(QMouseEvent* event) { forwardMouse(event); }

void ScreenContainer::mouseReleaseEvent(QMouseEvent* event) { forwardMouse(event); }

void ScreenContainer::wheelEvent(QWheelEvent* event)
{
    QWidget* root = activeRoot();
    const std::optional<QPointF> point = m_warping && root ? panelPoint(event->position(), true) : std::nullopt;
    if (!point) {
        event->ignore();
        return;
    }
    QWidget* target = widgetAt(root, point->toPoint());
    const QPointF local = *point - QPointF(target->mapTo(root, QPoint(0, 0)));
    QWheelEvent forwarded(local,
                          event->globalPosition(),
                          event->pixelDelta(),
                          event->angleDelta(),
                          event->buttons(),
                          event->modifiers(),
                          event->phase(),
                          event->inverted(),
                          event->source(),
                          event->pointingDevice());
    forwarded.setTimestamp(event->timestamp());
    QCoreApplication::sendEvent(target, &forwarded);
    event->accept();
}

void ScreenContainer::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHoverTarget(nullptr, {}, {});
}

} // namespace velmora
