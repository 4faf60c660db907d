#include "screen/ScreenContainer.h"

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "screen/ComposedScreenEffect.h"
#include "screen/Panel.h"
#include "skin/ViewportShape.h"

#include <QApplication>
#include <QChildEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace velmora {

namespace {

// The picture of a bent screen has this many pixels per device pixel.
constexpr double bentSourceScale = 2;

// While the scanlines roll, widgets that do not announce their changes are
// drawn at least every this many passes (about 8 a second), and a change of
// theirs left out by the last pass shows after this long at the latest.
constexpr int rollingSweepPasses = 8;
constexpr int sweepDelayMs = 250;

// Events after which a widget usually looks different.
bool mayChangeLook(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Timer:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LanguageChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ActivationChange:
    case QEvent::ReadOnlyChange:
    case QEvent::ModifiedChange:
    case QEvent::WindowTitleChange:
    case QEvent::DynamicPropertyChange:
    case QEvent::LayoutRequest:
    case QEvent::UpdateLater: return true;
    default: return false;
    }
}

// Marks a widget that painted opaquely before the warp.
constexpr const char* opaquePaintingProperty = "velmoraOpaquePainting";
// Marks a widget whose background the container fills while composing.
constexpr const char* backgroundFillProperty = "velmoraBackgroundFill";

// A widget that fills its background with an opaque brush counts as opaque
// to Qt, which then paints it straight onto the window, flat: while
// composing the container fills the background itself (as the widget is
// painted) and the widget is left to paint the rest.
void takeBackgroundFill(QWidget* widget)
{
    if (!widget->autoFillBackground())
        return;
    widget->setAutoFillBackground(false);
    widget->setProperty(backgroundFillProperty, true);
}

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
    m_sweepTimer.setSingleShot(true);
    m_sweepTimer.setInterval(sweepDelayMs);
    connect(&m_sweepTimer, &QTimer::timeout, this, [this] {
        if (!m_warping || !m_compositor)
            return;
        m_unannouncedActive = true;
        m_stage->update(m_compositor->outputRectFor(m_leftOut.boundingRect()));
    });
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
    applyGeometryToRoots();
}

void ScreenContainer::setScreenEffects(const ScreenEffects& effects)
{
    if (effects == m_effects)
        return;
    m_effects = effects;
    if (!std::isfinite(m_effects.curvatureScale))
        m_effects.curvatureScale = 0;
    applyGeometryToRoots();
}

void ScreenContainer::setRollingOffset(double points)
{
    if (points == m_rollingOffset)
        return;
    m_rollingOffset = points;
    if (!m_warping || !m_compositor)
        return;
    m_compositor->setRollingOffset(points);
    m_outputStale = true;
    m_rollingPass = true;
    m_stage->update(m_compositor->geometry().outputRect);
}

void ScreenContainer::setCompositorBackend(std::optional<ScreenCompositor::Backend> backend)
{
    m_backend = backend;
    m_compositor.reset();
    applyGeometryToRoots();
}

double ScreenContainer::sourceScale() const
{
    return !isFlat() || m_effects.curvatureScale != 0 ? bentSourceScale : 1.0;
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

BumpDistortion ScreenContainer::bumpFor(const QSize& size) const
{
    return ScreenCompositor::bumpFor(size, m_effects.curvatureScale);
}

bool ScreenContainer::isFlat() const
{
    // The corners as configured, against the inner rectangle centred in the
    // exact host frame: a plain screen is the identity whatever the rounding.
    const QPointF origin((m_hostFrame.width() - m_innerSize.width()) * 0.5,
                         (m_hostFrame.height() - m_innerSize.height()) * 0.5);
    const QPointF shift(m_hostFrame.left() - std::floor(m_hostFrame.left()),
                        m_hostFrame.top() - std::floor(m_hostFrame.top()));
    std::vector<QPointF> corners;
    for (const QPointF& target : m_quadTargets)
        corners.push_back(target - shift - origin);
    return ViewportShape::isIdentityMap(m_innerSize.width(), m_innerSize.height(), corners);
}

bool ScreenContainer::needsWarp(const QWidget* view) const
{
    if (!m_hasDistortion || !view)
        return false;
    return m_effects.any() || !isFlat();
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
    if (needsWarp(view) && !isFlat()) {
        // The widget keeps the inner size; the compositor puts it on the
        // corners.
        const QRectF inner = innerRect();
        const QRect placed(
            QPoint(int(std::lround(inner.x())), int(std::lround(inner.y()))),
            QSize(std::max(1, int(std::lround(inner.width()))), std::max(1, int(std::lround(inner.height())))));
        view->setGeometry(placed.translated(-stageOrigin));
        view->clearMask();
        installWarp(view);
        return;
    }
    // The inner rectangle, grown to whole pixels so that it reaches every
    // pixel the frame leaves open.
    view->setGeometry(innerRect().toAlignedRect().intersected(rect()).translated(-stageOrigin));
    if (needsWarp(view)) {
        // Effects on a flat screen: composed pixel for pixel.
        view->clearMask();
        installWarp(view);
        return;
    }
    removeWarp(view);
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
    if (!m_compositor) {
        m_compositor = ScreenCompositor::create(m_backend);
        m_pictureStale = true;
    }
    if (!qobject_cast<ComposedScreenEffect*>(m_stage->graphicsEffect())) {
        m_stage->setGraphicsEffect(new ComposedScreenEffect(
            m_stage, [this](QPainter& painter, const QRegion& area) { drawScreen(painter, area); }));
        m_pictureStale = true;
    }
    ScreenCompositor::Geometry geometry;
    geometry.screenSize = view->size();
    if (isFlat())
        geometry.corners = ViewportShape::corners(QRectF(view->geometry()));
    else
        geometry.corners = cornersRelativeTo(QPointF(m_stage->pos()));
    geometry.radii = outlineRadii();
    geometry.outputRect = ViewportShape::boundingBox(geometry.corners).toAlignedRect();
    geometry.devicePixelRatio = m_stage->devicePixelRatioF();
    geometry.sourceScale = sourceScale();
    if (geometry != m_compositor->geometry()) {
        m_compositor->setGeometry(geometry);
        m_pictureStale = true;
    }
    if (m_effects != m_compositor->effects()) {
        m_compositor->setEffects(m_effects);
        m_outputStale = true;
    }
    if (m_rollingOffset != m_compositor->rollingOffset()) {
        m_compositor->setRollingOffset(m_rollingOffset);
        m_outputStale = true;
    }
    // Clicks reach the container, which maps them back onto the widget; the
    // ones it hands on stop at the widget.
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->setAttribute(Qt::WA_NoMousePropagation);
    m_warping = true;
    m_areas.reset();
    adopt(view);
    setMouseTracking(true);
    m_stage->update();
}

void ScreenContainer::adopt(QWidget* widget)
{
    // Qt leaves a widget that paints opaquely out of its parent's repaints,
    // and so out of the compositor's: while composing every widget of the
    // panel paints as if it were transparent. Widgets added later are caught
    // as they come.
    if (widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
        widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
        widget->setProperty(opaquePaintingProperty, true);
    }
    takeBackgroundFill(widget);
    widget->installEventFilter(this);
    if (auto* view = qobject_cast<corvel::TerminalView*>(widget)) {
        // Its text drawn as finely as the picture; its repaints told ahead,
        // and the pointer mapped through the screen's shape as clicks are.
        view->setPictureScale(sourceScale());
        const QPointer<ScreenContainer> self(this);
        const QPointer<corvel::TerminalView> terminal(view);
        view->setRepaintListener([self, terminal](const QRect& area) {
            // A hidden view (another tab's) repaints nothing.
            QWidget* root = self ? self->activeRoot() : nullptr;
            if (root && terminal && terminal->isVisible() && root->isAncestorOf(terminal))
                self->announce(area.translated(terminal->mapTo(root, QPoint(0, 0))));
        });
        view->setPointerMapping([self, terminal](const QPointF& global) -> std::optional<QPointF> {
            QWidget* root = self ? self->activeRoot() : nullptr;
            if (!root || !terminal || !root->isAncestorOf(terminal))
                return std::nullopt;
            const std::optional<QPointF> point = self->panelPointAt(self->mapFromGlobal(global));
            if (!point)
                return std::nullopt;
            return *point - QPointF(terminal->mapTo(root, QPoint(0, 0)));
        });
    }
    for (QObject* child : widget->children()) {
        if (auto* childWidget = qobject_cast<QWidget*>(child); childWidget && !childWidget->isWindow())
            adopt(childWidget);
    }
}

void ScreenContainer::release(QWidget* widget)
{
    if (widget->property(opaquePaintingProperty).toBool()) {
        widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
        widget->setProperty(opaquePaintingProperty, QVariant());
    }
    if (widget->property(backgroundFillProperty).toBool()) {
        widget->setProperty(backgroundFillProperty, QVariant());
        widget->setAutoFillBackground(true);
    }
    widget->removeEventFilter(this);
    if (auto* view = qobject_cast<corvel::TerminalView*>(widget)) {
        view->setRepaintListener({});
        view->setPointerMapping({});
        view->setPictureScale(1);
    }
    for (QObject* child : widget->children()) {
        if (auto* childWidget = qobject_cast<QWidget*>(child); childWidget && !childWidget->isWindow())
            release(childWidget);
    }
}

bool ScreenContainer::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_warping)
        return QWidget::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* root = activeRoot();
    if (!m_unannouncedActive && mayChangeLook(event->type()) && !qobject_cast<corvel::TerminalView*>(widget)
        && !qobject_cast<corvel::CaretView*>(widget))
        m_unannouncedActive = true;
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        m_areas.reset();
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
            child && !child->isWindow())
            adopt(child);
        break;
    case QEvent::Paint:
        if (widget && widget->property(backgroundFillProperty).toBool()) {
            QPainter background(widget);
            background.fillRect(static_cast<QPaintEvent*>(event)->rect(),
                                widget->palette().brush(widget->backgroundRole()));
        }
        break;
    case QEvent::ChildRemoved: m_areas.reset(); break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
        if (widget && event->type() == QEvent::Show)
            takeBackgroundFill(widget);
        m_areas.reset();
        // A child that comes, goes or moves changes the picture where it was
        // and where it is, though none of it may say so.
        if (widget && root && widget != root && root->isAncestorOf(widget)) {
            const QPoint at = widget->parentWidget()->mapTo(root, QPoint(0, 0));
            QRect before = widget->geometry();
            if (event->type() == QEvent::Move)
                before.moveTopLeft(static_cast<QMoveEvent*>(event)->oldPos());
            else if (event->type() == QEvent::Resize)
                before.setSize(static_cast<QResizeEvent*>(event)->oldSize());
            announce(before.translated(at));
            announce(widget->geometry().translated(at));
        }
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void ScreenContainer::removeWarp(QWidget* view)
{
    if (m_warping)
        release(view);
    if (m_stage->graphicsEffect())
        m_stage->setGraphicsEffect(nullptr);
    m_stage->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    view->setAttribute(Qt::WA_NoMousePropagation, false);
    setMouseTracking(false);
    setHoverTarget(nullptr, {}, {});
    m_mouseGrab = nullptr;
    m_warping = false;
    m_announced = QRegion();
    m_areas.reset();
    m_pictureStale = true;
    m_rollingPass = false;
    m_unannouncedActive = true;
    m_leftOut = QRegion();
    m_sweepTimer.stop();
    // Drawn directly, the screen needs neither compositor nor picture.
    m_compositor.reset();
    m_picture = ScreenPicture();
}

void ScreenContainer::announce(const QRect& rootRect)
{
    QWidget* root = activeRoot();
    if (!m_warping || !m_compositor || !root || rootRect.isEmpty())
        return;
    const QRect area = rootRect.intersected(root->rect());
    if (area.isEmpty())
        return;
    m_announced += area;
    // Where the change shows once bent, in the same pass as the change.
    m_stage->update(m_compositor->outputRectFor(area));
}

QRegion ScreenContainer::announcedArea(QWidget* root) const
{
    QRegion area;
    const QList<corvel::TerminalView*> views = root->findChildren<corvel::TerminalView*>();
    for (corvel::TerminalView* view : views) {
        if (!view->isVisibleTo(root))
            continue;
        const QPoint at = view->mapTo(root, QPoint(0, 0));
        area += view->rect().translated(at);
        // Its scroller, find bar, link preview and the like repaint unannounced.
        for (QObject* child : view->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget && widget != static_cast<QWidget*>(view->caretView()) && !widget->isWindow()
                && widget->isVisibleTo(root))
                area -= widget->geometry().translated(at);
        }
    }
    return area;
}

QRegion ScreenContainer::opaqueArea(QWidget* root) const
{
    // The widgets that paint every pixel of theirs (they painted opaquely
    // before the compositor took that from them).
    QRegion area;
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (widget->property(opaquePaintingProperty).toBool() && widget->isVisibleTo(root))
            area += widget->rect().translated(widget->mapTo(root, QPoint(0, 0)));
    }
    return area;
}

const ScreenContainer::Areas& ScreenContainer::areas(QWidget* root)
{
    if (!m_areas)
        m_areas = Areas{QRegion(root->rect()) - announcedArea(root), opaqueArea(root)};
    return *m_areas;
}

void ScreenContainer::repaintLater(const QRegion& area)
{
    // Asked for while Qt paints: after this pass.
    m_queuedRepaint += area;
    if (m_repaintQueued)
        return;
    m_repaintQueued = true;
    QMetaObject::invokeMethod(
        this,
        [self = QPointer<ScreenContainer>(this)] {
            if (!self)
                return;
            self->m_repaintQueued = false;
            const QRegion queued = std::exchange(self->m_queuedRepaint, QRegion());
            if (self->m_warping)
                self->m_stage->update(queued);
        },
        Qt::QueuedConnection);
}

void ScreenContainer::drawScreen(QPainter& painter, const QRegion& area)
{
    QWidget* root = activeRoot();
    if (!m_warping || !m_compositor || !root)
        return;
    // The window may have moved to a screen of another density.
    if (m_stage->devicePixelRatioF() != m_compositor->geometry().devicePixelRatio)
        installWarp(root);
    const ScreenCompositor::Geometry& geometry = m_compositor->geometry();
    if (geometry.screenSize.isEmpty() || geometry.outputRect.isEmpty())
        return;
    const QPoint rootOrigin = root->pos();
    QRect changed;
    if (m_picture.reset(geometry.screenSize, ScreenCompositor::sourceDensity(geometry)) || m_pictureStale) {
        m_picture.update(root, root->rect());
        changed = root->rect();
        m_announced = QRegion();
        m_pictureStale = false;
        m_outputStale = true;
    } else {
        // Of what is repainted, only what may have changed: what was
        // announced, and all that repaints unannounced.
        const QRegion repainted = area.translated(-rootOrigin) & root->rect();
        const Areas& known = areas(root);
        // Rolling passes leave out unannounced widgets that had no event.
        const bool sweep = !m_rollingPass || m_unannouncedActive || ++m_passesSinceSweep >= rollingSweepPasses;
        QRegion fresh = repainted & m_announced;
        if (sweep) {
            fresh |= (repainted & known.unannounced) | std::exchange(m_leftOut, QRegion());
            m_unannouncedActive = false;
            m_passesSinceSweep = 0;
            m_sweepTimer.stop();
        } else {
            m_leftOut |= repainted & known.unannounced;
            if (!m_sweepTimer.isActive())
                m_sweepTimer.start();
        }
        m_announced -= repainted;
        if (!fresh.isEmpty())
            changed = m_picture.update(root, fresh, known.opaque);
    }
    m_rollingPass = false;
    QRect composed;
    if (!changed.isEmpty() || m_outputStale) {
        // The compositor itself knows when its geometry, effects or scanlines
        // moved and composes what they reach.
        composed = m_compositor->compose(m_picture.image(), changed);
        m_outputStale = false;
        ++m_compositions;
        m_lastChange = changed;
    }
    // Bent, the change may show beyond the area repainted now.
    const QRegion beyond = QRegion(composed) - area;
    if (!beyond.isEmpty())
        repaintLater(beyond);
    const QImage& output = m_compositor->output();
    const double dpr = output.devicePixelRatio() > 0 ? output.devicePixelRatio() : 1.0;
    const QRect outputRect = geometry.outputRect;
    for (const QRect& rect : area& outputRect) {
        const QRectF source((rect.x() - outputRect.x()) * dpr,
                            (rect.y() - outputRect.y()) * dpr,
                            rect.width() * dpr,
                            rect.height() * dpr);
        painter.drawImage(QRectF(rect), output, source);
    }
}

void ScreenContainer::registerPanel(Panel* panel, int slot)
{
    if (!panel)
        return;
    m_panels[slot] = panel;
    QWidget* root = panel->rootView();
    m_roots[slot] = root;
    root->setParent(m_stage);
    applyGeometry(root);
    tellPanelsTheirClearance();
    root->setVisible(slot == m_activeIndex);
    if (slot == m_activeIndex && root->window() != root) {
        if (QWidget* keyboard = panel->keyboardView())
            keyboard->setFocus(Qt::OtherFocusReason);
    }
}

void ScreenContainer::applyGeometryToRoots()
{
    for (const auto& [slot, root] : m_roots) {
        if (root)
            applyGeometry(root);
    }
    tellPanelsTheirClearance();
}

void ScreenContainer::tellPanelsTheirClearance()
{
    if (activeRoot())
        emit cornerClearanceChanged(cornerClearance());
}

QMarginsF ScreenContainer::cornerClearance() const
{
    QWidget* root = activeRoot();
    if (!root || !m_hasDistortion || root->width() <= 0 || root->height() <= 0)
        return {};
    const double width = root->width();
    const double height = root->height();
    // Only crossings this near a corner belong to it: the diagonal of a long
    // screen also meets the far edge.
    const double reach = std::min(width, height) / 2;
    const std::array<QPointF, 4> corners
        = {QPointF(0, 0), QPointF(width, 0), QPointF(width, height), QPointF(0, height)};
    const std::array<QPointF, 4> inwards = {QPointF(1, 1), QPointF(-1, 1), QPointF(-1, -1), QPointF(1, -1)};
    const QPainterPath path = outline();
    // Where a point of the outline shows on the root.
    const auto shownAt = [&](double t) { return panelPoint(path.pointAtPercent(std::clamp(t, 0.0, 1.0)), false); };
    // That point measured inwards from a corner of the root.
    const auto measured = [&](const QPointF& shown, std::size_t corner) {
        const QPointF from = shown - corners[corner];
        return QPointF(from.x() * inwards[corner].x(), from.y() * inwards[corner].y());
    };
    // Coarse steps along the outline find the stretch where it crosses each
    // corner's diagonal; halving that stretch finds the crossing itself.
    constexpr int steps = 512;
    std::vector<std::optional<QPointF>> shown(steps + 1);
    for (int step = 0; step <= steps; ++step)
        shown[std::size_t(step)] = shownAt(double(step) / steps);
    std::array<double, 4> clearance{};
    for (std::size_t corner = 0; corner < corners.size(); ++corner) {
        for (int step = 1; step <= steps; ++step) {
            const std::optional<QPointF>& a = shown[std::size_t(step - 1)];
            const std::optional<QPointF>& b = shown[std::size_t(step)];
            if (!a || !b)
                continue;
            const QPointF from = measured(*a, corner);
            const QPointF to = measured(*b, corner);
            const bool near = std::max(from.x(), from.y()) < reach && std::max(to.x(), to.y()) < reach;
            const bool below = from.x() < from.y();
            if (!near || below == (to.x() < to.y()))
                continue;
            double low = double(step - 1) / steps;
            double high = double(step) / steps;
            QPointF crossing = to;
            for (int halving = 0; halving < 40; ++halving) {
                const double middle = (low + high) / 2;
                const std::optional<QPointF> at = shownAt(middle);
                if (!at)
                    break;
                crossing = measured(*at, corner);
                if ((crossing.x() < crossing.y()) == below)
                    low = middle;
                else
                    high = middle;
            }
            clearance[corner]
                = std::max(clearance[corner], std::clamp(std::max(crossing.x(), crossing.y()), 0.0, reach));
        }
    }
    return QMarginsF(std::max(clearance[0], clearance[3]),
                     std::max(clearance[0], clearance[1]),
                     std::max(clearance[1], clearance[2]),
                     std::max(clearance[2], clearance[3]));
}

QWidget* ScreenContainer::activeRoot() const
{
    const auto found = m_roots.find(m_activeIndex);
    return found != m_roots.end() ? found->second.data() : nullptr;
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
    return bumpFor(root->size()).sourcePoint(*flat);
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
