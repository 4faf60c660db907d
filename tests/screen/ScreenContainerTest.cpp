#include "screen/ScreenContainer.h"

#include "screen/EffectsLayer.h"
#include "screen/Panel.h"
#include "screen/ScreenPicture.h"

#include <gtest/gtest.h>

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "skin/ViewportShape.h"

#include <QApplication>
#include <QLabel>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace velmora {
namespace {

// A panel of two plain widgets.
class FakePanel final : public Panel {
public:
    FakePanel() : m_root(new QWidget), m_keyboard(new QWidget(m_root)) { m_keyboard->setFocusPolicy(Qt::StrongFocus); }
    QString panelName() const override { return QStringLiteral("Fake"); }
    QWidget* rootView() const override { return m_root; }
    QWidget* keyboardView() const override { return m_keyboard; }

private:
    QWidget* m_root;
    QWidget* m_keyboard;
};

const std::vector<QPointF> rectangleQuad(double w, double h) { return {{0, 0}, {w, 0}, {w, h}, {0, h}}; }

TEST(ScreenContainerTest, PlacesThePanelOnTheScreenAndClipsItsCorners)
{
    QWidget window;
    window.resize(400, 560);
    auto* container = new ScreenContainer(&window);
    FakePanel panel;
    container->registerPanel(&panel, 0);
    window.show();
    EXPECT_TRUE(panel.rootView()->isVisible());
    EXPECT_EQ(window.focusWidget(), panel.keyboardView());

    container->configureViewport(QRectF(58.4, 82.6, 282, 172), QSizeF(282, 172), rectangleQuad(282, 172), 8, {});
    EXPECT_EQ(container->geometry(), QRect(58, 82, 283, 173)) << "rounded outwards";
    EXPECT_TRUE(container->hasDistortion());
    EXPECT_EQ(panel.rootView()->geometry(), QRect(0, 0, 283, 173));
    const QRegion mask = panel.rootView()->mask();
    EXPECT_TRUE(mask.contains(QPoint(141, 86)));
    EXPECT_TRUE(mask.contains(QPoint(141, 0)));
    EXPECT_FALSE(mask.contains(QPoint(0, 0))) << "the rounded corner is cut";
    EXPECT_FALSE(mask.contains(QPoint(282, 172)));
    EXPECT_EQ(container->quadTargets().front(), QPointF(0.4, 0.6));

    // Four radii of their own override the single one.
    container->configureViewport(QRectF(58, 82, 282, 172), QSizeF(282, 172), rectangleQuad(282, 172), 8, {0, 0, 30, 0});
    EXPECT_TRUE(panel.rootView()->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(panel.rootView()->mask().contains(QPoint(276, 166)));

    // Without corners (a plain screen) the panel fills the container.
    container->configureViewport(QRectF(10, 10, 200, 100), QSizeF(180, 90), {}, 8, {});
    EXPECT_FALSE(container->hasDistortion());
    EXPECT_EQ(panel.rootView()->geometry(), QRect(0, 0, 200, 100));
    EXPECT_TRUE(panel.rootView()->mask().isEmpty());
    EXPECT_EQ(container->quadTargets(), (std::vector<QPointF>{{10, 5}, {190, 5}, {190, 95}, {10, 95}}));
}

TEST(ScreenContainerTest, IgnoresHostFramesWithoutAPositiveFiniteSize)
{
    ScreenContainer container;
    container.configureViewport(QRectF(5, 6, 100, 50), QSizeF(100, 50), rectangleQuad(100, 50), 4, {});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const QRectF invalid[] = {QRectF(nan, 0, 10, 10),
                              QRectF(0, infinity, 10, 10),
                              QRectF(0, 0, 0, 10),
                              QRectF(0, 0, 10, -1),
                              QRectF(0, 0, infinity, 10),
                              QRectF(0, 0, 10, nan)};
    for (const QRectF& frame : invalid) {
        container.configureViewport(frame, QSizeF(10, 10), rectangleQuad(10, 10), 4, {});
        EXPECT_EQ(container.geometry(), QRect(5, 6, 100, 50));
        EXPECT_EQ(container.innerSize(), QSizeF(100, 50));
    }
}

TEST(ScreenContainerTest, OnlyTheActiveSlotIsShown)
{
    QWidget window;
    auto* container = new ScreenContainer(&window);
    FakePanel first, second;
    container->registerPanel(&first, 0);
    container->registerPanel(&second, 1);
    window.show();
    EXPECT_TRUE(first.rootView()->isVisible());
    EXPECT_FALSE(second.rootView()->isVisible());
    EXPECT_EQ(container->panels().size(), 2u);
}

// The clearance, told whenever the geometry changes, puts a square corner of the panel's content inside the
// rounded outline at each of the four corners, for plain, pulled and bent
// screens alike; on a plain screen it is the arc's own r·(1 − 1/√2).
TEST(ScreenContainerTest, TheCornerClearanceKeepsSquareCornersInsideTheOutline)
{
    struct Case {
        const char* name;
        std::vector<QPointF> quad;
        double radius;
        std::vector<double> radii;
        double curvature;
    };
    const double w = 282, h = 172;
    const std::vector<Case> cases = {
        {"plain, radius 8", rectangleQuad(w, h), 8, {}, 0},
        {"plain, radius 60", rectangleQuad(w, h), 60, {}, 0},
        {"plain, a radius per corner", rectangleQuad(w, h), 8, {30, 0, 12, 50}, 0},
        {"pulled corners", {{14, 0}, {w, 10}, {w - 12, h}, {0, h - 16}}, 24, {}, 0},
        {"bent", rectangleQuad(w, h), 24, {}, -0.25},
    };
    const double arc = 1 - 1 / std::sqrt(2.0);
    for (const Case& c : cases) {
        QWidget window;
        window.resize(400, 300);
        auto* container = new ScreenContainer(&window);
        std::optional<QMarginsF> told;
        QObject::connect(
            container, &ScreenContainer::cornerClearanceChanged, [&](const QMarginsF& clearance) { told = clearance; });
        FakePanel panel;
        container->registerPanel(&panel, 0);
        ScreenEffects effects;
        effects.curvatureScale = c.curvature;
        container->setScreenEffects(effects);
        container->configureViewport(QRectF(0, 0, w, h), QSizeF(w, h), c.quad, c.radius, c.radii);
        window.show();
        const QMarginsF clearance = container->cornerClearance();
        ASSERT_TRUE(told) << c.name;
        EXPECT_EQ(*told, clearance) << c.name << ": it is told";

        const std::vector<double> radii = c.radii.empty() ? std::vector<double>(4, c.radius) : c.radii;
        if (c.quad == rectangleQuad(w, h) && c.curvature == 0) {
            EXPECT_NEAR(clearance.left(), std::max(radii[0], radii[3]) * arc, 0.01) << c.name;
            EXPECT_NEAR(clearance.top(), std::max(radii[0], radii[1]) * arc, 0.01) << c.name;
            EXPECT_NEAR(clearance.right(), std::max(radii[1], radii[2]) * arc, 0.01) << c.name;
            EXPECT_NEAR(clearance.bottom(), std::max(radii[2], radii[3]) * arc, 0.01) << c.name;
        }
        if (c.curvature != 0) {
            // The bend squeezes what lies near a corner further into it.
            EXPECT_GT(clearance.left(), c.radius * arc + 0.1) << c.name;
            EXPECT_GT(clearance.top(), c.radius * arc + 0.1) << c.name;
        }

        // A point half a pixel past the clearance at each corner of the
        // content shows on the screen: inside the outline, and what shows
        // there is that point. Without the clearance the corner is cut.
        const QWidget* root = panel.rootView();
        const QRectF content = QRectF(QPointF(0, 0), QSizeF(root->size()))
                                   .adjusted(clearance.left() + 0.5,
                                             clearance.top() + 0.5,
                                             -clearance.right() - 0.5,
                                             -clearance.bottom() - 0.5);
        const QRectF whole(QPointF(0, 0), QSizeF(root->size()));
        const std::array<QPointF, 4> corners
            = {content.topLeft(), content.topRight(), content.bottomRight(), content.bottomLeft()};
        const std::array<QPointF, 4> bareCorners
            = {whole.topLeft(), whole.topRight(), whole.bottomRight(), whole.bottomLeft()};
        const QPointF origin(root->mapTo(container, QPoint(0, 0)));
        std::vector<QPointF> targets;
        for (const QPointF& target : container->quadTargets())
            targets.push_back(target - origin);
        // Where a point of the root lies on the quadrilateral, before any bend.
        const QTransform onQuad = ViewportShape::quadTransform(root->width(), root->height(), targets);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const QPointF corner = corners[i];
            const QPointF bare = bareCorners[i];
            bool shown = false;
            bool bareShown = false;
            // Where the content's corner shows: searched on the container
            // around the screen's corner, finer than a pixel.
            const QRectF around
                = QRectF(onQuad.map(corner), onQuad.map(bare)).normalized().translated(origin).adjusted(-4, -4, 4, 4);
            for (double y = around.top(); y <= around.bottom(); y += 0.15) {
                for (double x = around.left(); x <= around.right(); x += 0.15) {
                    const std::optional<QPointF> at = container->panelPointAt(QPointF(x, y));
                    if (!at)
                        continue;
                    shown = shown || QLineF(*at, corner).length() < 0.3;
                    bareShown = bareShown || QLineF(*at, bare).length() < 0.3;
                }
            }
            EXPECT_TRUE(shown) << c.name << ": the corner at " << corner.x() << ", " << corner.y() << " is cut";
            if (radii[i] > 0) {
                EXPECT_FALSE(bareShown) << c.name << ": the bare corner at " << bare.x() << ", " << bare.y()
                                        << " shows, so the outline was not rounded there";
            }
        }
    }
}

// A child that paints four coloured quadrants and records the presses it gets.
class QuadrantsView final : public QWidget {
public:
    explicit QuadrantsView(QWidget* parent) : QWidget(parent)
    {
        // Like the terminal view: it paints every pixel itself.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QColor topLeft = Qt::red;
    std::vector<QPointF> presses;
    std::vector<QPointF> moves;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int w = width() / 2, h = height() / 2;
        painter.fillRect(0, 0, w, h, topLeft);
        painter.fillRect(w, 0, width() - w, h, Qt::green);
        painter.fillRect(0, h, w, height() - h, Qt::blue);
        painter.fillRect(w, h, width() - w, height() - h, Qt::yellow);
    }
    void mousePressEvent(QMouseEvent* event) override { presses.push_back(event->position()); }
    void mouseMoveEvent(QMouseEvent* event) override { moves.push_back(event->position()); }
};

// A panel whose root holds one view filling it, as a session's does; the
// view is made by the given function on the root.
template <typename View> class OneViewPanel : public Panel {
public:
    template <typename Make>
    OneViewPanel(QString name, Make make) : m_name(std::move(name)), m_root(new QWidget), m_view(make(m_root))
    {
        m_root->installEventFilter(&m_follower);
        m_follower.view = m_view;
    }
    QString panelName() const override { return m_name; }
    QWidget* rootView() const override { return m_root; }
    QWidget* keyboardView() const override { return m_view; }
    View* view() const { return m_view; }

private:
    struct Follower : QObject {
        QWidget* view = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Resize)
                view->setGeometry(static_cast<QWidget*>(watched)->rect());
            return false;
        }
    };
    QString m_name;
    QWidget* m_root;
    View* m_view;
    Follower m_follower;
};

// A panel whose keyboard view paints quadrants over its whole root.
class QuadrantsPanel final : public OneViewPanel<QuadrantsView> {
public:
    QuadrantsPanel() : OneViewPanel(QStringLiteral("Quadrants"), [](QWidget* root) { return new QuadrantsView(root); })
    {
    }
};

bool near(QRgb pixel, QColor colour, int tolerance = 24)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance
        && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

class DistortedScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        container = new ScreenContainer(&window);
        container->registerPanel(&panel, 0);
        window.show();
        // A keystone screen: the top edge narrower than the bottom one, the
        // right side leaning out.
        container->configureViewport(QRectF(40, 20, 320, 240), QSizeF(300, 200), corners, 10, {});
    }

    // Where a point of the inner rectangle shows, in the window.
    QPointF shown(QPointF inner) const
    {
        return ViewportShape::quadTransform(300, 200, corners).map(inner) + QPointF(40, 20);
    }

    // A click where Qt would deliver it: to the widget under the point.
    bool press(QPointF at)
    {
        QWidget* receiver = window.childAt(at.toPoint());
        if (!receiver)
            receiver = &window;
        const QPointF local = at - QPointF(receiver->mapTo(&window, QPoint(0, 0)));
        QMouseEvent event(QEvent::MouseButtonPress,
                          local,
                          at,
                          window.mapToGlobal(at),
                          Qt::LeftButton,
                          Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(receiver, &event);
        QMouseEvent release(QEvent::MouseButtonRelease,
                            local,
                            at,
                            window.mapToGlobal(at),
                            Qt::LeftButton,
                            Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(receiver, &release);
        return receiver == container;
    }

    const std::vector<QPointF> corners{{50, 10}, {270, 0}, {320, 240}, {0, 220}};
    QWidget window;
    ScreenContainer* container = nullptr;
    QuadrantsPanel panel;
};

TEST_F(DistortedScreenTest, DrawsThePanelOnTheQuadrilateral)
{
    EXPECT_TRUE(container->isWarping());
    EXPECT_EQ(panel.rootView()->size(), QSize(300, 200)) << "the panel keeps its undistorted size";
    const QImage shot = window.grab().toImage();
    struct Probe {
        QPointF inner;
        QColor colour;
    };
    const Probe probes[] = {{{75, 50}, Qt::red},
                            {{225, 50}, Qt::green},
                            {{75, 150}, Qt::blue},
                            {{225, 150}, Qt::yellow},
                            {{20, 180}, Qt::blue},
                            {{290, 15}, Qt::green}};
    for (const Probe& probe : probes) {
        const QPoint at = shown(probe.inner).toPoint();
        EXPECT_TRUE(near(shot.pixel(at), probe.colour))
            << "inner (" << probe.inner.x() << ", " << probe.inner.y() << ") at " << at.x() << ", " << at.y();
    }
    // Beside the quadrilateral, inside its bounding box: nothing of the panel.
    EXPECT_FALSE(near(shot.pixel(QPoint(42, 25)), Qt::red));
    EXPECT_FALSE(near(shot.pixel(QPoint(345, 30)), Qt::green));
    // The rounded corner leaves its tip out.
    EXPECT_FALSE(near(shot.pixel(shown({0.5, 0.5}).toPoint()), Qt::red));
}

TEST_F(DistortedScreenTest, RepaintsOfAChildReachTheWholeWarpedScreen)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(panel.view()->testAttribute(Qt::WA_OpaquePaintEvent)) << "opaque painting is taken while warping";
    // What the window system shows, not a fresh rendering.
    const auto onScreen = [&] { return window.screen()->grabWindow(window.winId()).toImage(); };
    // The top-left quadrant's warped corner lies left of the child's own
    // rectangle, where only a repaint of the whole screen reaches.
    const QPoint beyond = shown({3, 185}).toPoint();
    const QPoint inside = shown({75, 50}).toPoint();
    ASSERT_LT(beyond.x(), 40 + 10);
    QTRY_VERIFY(near(onScreen().pixel(inside), Qt::red));
    panel.view()->topLeft = Qt::magenta;
    panel.view()->update(QRect(0, 0, 150, 100));
    QTRY_VERIFY(near(onScreen().pixel(inside), Qt::magenta));
    QTRY_VERIFY(near(onScreen().pixel(shown({3, 3}).toPoint() + QPoint(2, 2)), Qt::magenta));

    container->setScreenEffects(ScreenEffects{});
    container->configureViewport(QRectF(50, 40, 300, 200), QSizeF(300, 200), rectangleQuad(300, 200), 10, {});
    EXPECT_FALSE(container->isWarping());
    EXPECT_TRUE(panel.view()->testAttribute(Qt::WA_OpaquePaintEvent)) << "and given back";
}

TEST_F(DistortedScreenTest, ClicksReachTheInverseMappedPointAndFallThroughOutside)
{
    for (const QPointF inner : {QPointF(10, 10), QPointF(150, 100), QPointF(280, 190), QPointF(33.5, 170.25)}) {
        panel.view()->presses.clear();
        EXPECT_TRUE(press(shown(inner)));
        ASSERT_EQ(panel.view()->presses.size(), 1u);
        EXPECT_NEAR(panel.view()->presses[0].x(), inner.x(), 1e-6);
        EXPECT_NEAR(panel.view()->presses[0].y(), inner.y(), 1e-6);
        ASSERT_TRUE(container->panelPointAt(shown(inner) - QPointF(40, 20)));
    }
    panel.view()->presses.clear();
    // Inside the bounding box, outside the quadrilateral.
    EXPECT_FALSE(container->panelPointAt(QPointF(3, 5)));
    press(QPointF(43, 25));
    press(QPointF(350, 28));
    EXPECT_TRUE(panel.view()->presses.empty());
}

TEST_F(DistortedScreenTest, PlainScreenIsShownAsItIsAndCurvatureOrGlowWarpIt)
{
    container->configureViewport(QRectF(40.5, 20.25, 300, 200), QSizeF(300, 200), rectangleQuad(300, 200), 10, {});
    EXPECT_FALSE(container->isWarping()) << "the identity map draws the panel directly";
    EXPECT_FALSE(panel.rootView()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(panel.rootView()->mask().isEmpty());
    panel.view()->presses.clear();
    press(QPointF(200, 120));
    ASSERT_EQ(panel.view()->presses.size(), 1u) << "the panel takes its own clicks";

    // A glow alone warps the panel without moving it.
    ScreenEffects glowing;
    glowing.glow = ScreenGlow{0.3, 10, Qt::green};
    container->setScreenEffects(glowing);
    EXPECT_TRUE(container->isWarping());
    const QPointF centre(151, 101), between(90, 60), onEdge(151, 1.5);
    const auto flatCentre = container->panelPointAt(centre);
    const auto flatBetween = container->panelPointAt(between);
    const auto flatEdge = container->panelPointAt(onEdge);
    ASSERT_TRUE(flatCentre && flatBetween && flatEdge);

    // Curvature magnifies the middle: a point between the centre and a
    // corner shows what lies closer to the centre; the edges stay.
    ScreenEffects curved;
    curved.curvatureScale = -0.1;
    container->setScreenEffects(curved);
    EXPECT_TRUE(container->isWarping());
    const auto bentCentre = container->panelPointAt(centre);
    const auto bentBetween = container->panelPointAt(between);
    const auto bentEdge = container->panelPointAt(onEdge);
    ASSERT_TRUE(bentCentre && bentBetween && bentEdge);
    EXPECT_LT(QLineF(*bentCentre, *flatCentre).length(), 0.2);
    EXPECT_LT(QLineF(*bentBetween, *flatCentre).length(), QLineF(*flatBetween, *flatCentre).length() - 2);
    EXPECT_LT(QLineF(*bentEdge, *flatEdge).length(), 0.5);

    container->setScreenEffects(ScreenEffects{});
    EXPECT_FALSE(container->isWarping());
}

TEST_F(DistortedScreenTest, DegenerateQuadrilateralTakesNoClicks)
{
    container->configureViewport(
        QRectF(40, 20, 320, 240), QSizeF(300, 200), {{0, 0}, {160, 120}, {320, 240}, {0, 0}}, 10, {});
    EXPECT_TRUE(container->isWarping());
    for (const QPointF at : {QPointF(100, 100), QPointF(200, 140), QPointF(41, 21)}) {
        EXPECT_FALSE(container->panelPointAt(at - QPointF(40, 20)));
        press(at);
    }
    EXPECT_TRUE(panel.view()->presses.empty());
    window.grab(); // drawing a collapsed screen is harmless
}

// A panel whose root holds one terminal view filling it, as a session does.
class TerminalViewPanel final : public OneViewPanel<corvel::TerminalView> {
public:
    TerminalViewPanel()
        : OneViewPanel(QStringLiteral("Terminal"), [](QWidget* root) {
              QFont font(QStringLiteral("DejaVu Sans Mono"));
              font.setPixelSize(12);
              auto* view = new corvel::TerminalView(root, font);
              view->setNativeBackgroundColor(QColor(10, 20, 12));
              view->setNativeForegroundColor(QColor(120, 255, 170));
              return view;
          })
    {
    }
};

// Gathers what a widget is asked to paint.
struct PaintedRegion : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)),
                     std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// A terminal on a device's screen, drawn through the compositor.
class ComposedScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        window.setAutoFillBackground(true);
        QPalette black = window.palette();
        black.setColor(QPalette::Window, Qt::black);
        window.setPalette(black);
        container = new ScreenContainer(&window);
        container->setCompositorBackend(ScreenCompositor::Backend::Cpu);
        container->registerPanel(&panel, 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        panel.view()->caretView()->disableAnimations();
    }

    void configure(const std::vector<QPointF>& quad, const ScreenEffects& effects,
                   const QRectF& host = QRectF(40, 20, 320, 240))
    {
        container->setScreenEffects(effects);
        container->configureViewport(host, QSizeF(300, 200), quad, 10, {});
        panel.view()->feed("\x1b[2J\x1b[H\x1b[32mvelmora$\x1b[0m ls -l\r\nREADME.md  src  tests");
        settle();
    }

    // Every repaint asked for done, a second pass included.
    // A child of the view that repaints without the view knowing: an
    // opaque label over the terminal's text.
    QLabel* addBadge()
    {
        auto* badge = new QLabel(QStringLiteral("badge"), panel.view());
        badge->setAutoFillBackground(true);
        QPalette colours = badge->palette();
        colours.setColor(QPalette::Window, QColor(30, 60, 200));
        colours.setColor(QPalette::WindowText, Qt::white);
        badge->setPalette(colours);
        badge->setGeometry(4, 150, 60, 20);
        badge->show();
        return badge;
    }

    void settle()
    {
        panel.view()->updateDisplay(false);
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // What the window system shows.
    QImage onScreen() const
    {
        return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The screen composed afresh by a compositor of its own from a fresh
    // picture of the panel.
    QImage freshComposition() const
    {
        const ScreenCompositor* used = container->compositor();
        std::unique_ptr<ScreenCompositor> fresh = ScreenCompositor::create(ScreenCompositor::Backend::Cpu);
        fresh->setGeometry(used->geometry());
        fresh->setEffects(used->effects());
        fresh->setRollingOffset(used->rollingOffset());
        ScreenPicture picture;
        picture.reset(used->geometry().screenSize, ScreenCompositor::sourceDensity(used->geometry()));
        picture.update(panel.rootView(), panel.rootView()->rect());
        fresh->compose(picture.image(), QRect(QPoint(0, 0), used->geometry().screenSize));
        return fresh->output();
    }

    // The largest difference between the window and a composition laid over
    // its black background, over the composition's area.
    int worstDifference(const QImage& shown, const QImage& composed) const
    {
        const QPoint origin
            = container->pos() + container->stage()->pos() + container->compositor()->geometry().outputRect.topLeft();
        int worst = 0;
        for (int y = 0; y < composed.height(); ++y) {
            for (int x = 0; x < composed.width(); ++x) {
                // Over black, premultiplied colours are the shown ones.
                const QRgb over = composed.pixel(x, y) | 0xff000000u;
                const QPoint at = origin + QPoint(x, y);
                if (shown.rect().contains(at))
                    worst = std::max(worst, channelDifference(shown.pixel(at), over));
            }
        }
        return worst;
    }

    QWidget window;
    ScreenContainer* container = nullptr;
    TerminalViewPanel panel;
    const std::vector<QPointF> keystone{{50, 10}, {270, 0}, {320, 240}, {0, 220}};
};

ScreenEffects everyEffect()
{
    SkinEffectsSettings all;
    all.scanlines = true;
    all.glow = true;
    all.curvature = true;
    all.colorGrade = QStringLiteral("amber");
    return ScreenEffects::from(all, QColor(120, 255, 170));
}

TEST_F(ComposedScreenTest, ShowsTheCompositorsPictureOfTheTerminalCrispWhenBent)
{
    configure(keystone, everyEffect());
    ASSERT_TRUE(container->isWarping());
    const ScreenCompositor* compositor = container->compositor();
    ASSERT_TRUE(compositor);
    EXPECT_EQ(compositor->effects(), everyEffect());
    EXPECT_EQ(compositor->geometry().sourceScale, 2) << "bent: the picture twice as fine";
    EXPECT_EQ(panel.view()->pictureScale(), 2) << "and the terminal's text drawn as finely";
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2);
}

TEST_F(ComposedScreenTest, EffectsOnAFlatScreenAreComposedPixelForPixel)
{
    ScreenEffects scanlines;
    scanlines.scanlines = ScreenEffects::Scanlines::Standard;
    scanlines.scanlineIntensity = 1;
    configure(rectangleQuad(300, 200), scanlines, QRectF(50, 40, 300, 200));
    ASSERT_TRUE(container->isWarping()) << "scanlines alone go through the compositor";
    EXPECT_EQ(container->compositor()->geometry().sourceScale, 1);
    EXPECT_EQ(panel.view()->pictureScale(), 1);
    const QImage shown = onScreen();
    EXPECT_LE(worstDifference(shown, freshComposition()), 2);
    // Rows of 2 points dark, 2 clear, counted from the screen's bottom edge,
    // over the terminal's background.
    const int x = 50 + 250, bottom = 40 + 200;
    const QRgb clear = shown.pixel(x, bottom - 1);
    const QRgb dark = shown.pixel(x, bottom - 3);
    EXPECT_NEAR(qGreen(clear), 20, 2);
    EXPECT_NEAR(qGreen(dark), int(std::lround(20 * 0.45)), 2);
    // Clicks still reach the terminal where they are shown.
    const auto point = container->panelPointAt(QPointF(100, 50));
    ASSERT_TRUE(point);
    EXPECT_NEAR(point->x(), 100, 1e-9);
    EXPECT_NEAR(point->y(), 50, 1e-9);

    container->setScreenEffects(ScreenEffects{});
    EXPECT_FALSE(container->isWarping()) << "no effect, no distortion: drawn directly";
    EXPECT_FALSE(container->compositor());
}

TEST_F(ComposedScreenTest, ACaretChangeRecomposesOnlyItsPartAndConverges)
{
    configure(keystone, everyEffect());
    const QRect caret = panel.view()->caretView()->geometry();
    panel.view()->setCaretColor(QColor(250, 60, 200));
    settle();
    const QRect change = container->lastChange();
    EXPECT_TRUE(caret.adjusted(-1, -1, 1, 1).contains(change))
        << "changed " << change.x() << ", " << change.y() << " " << change.width() << " × " << change.height();
    EXPECT_FALSE(change.isEmpty());
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2) << "the window shows a full recomposition";

    // One pass of painting does it: the view said where it would repaint,
    // so the area where that shows, glow and all, was repainted with it.
    panel.view()->setCaretColor(QColor(40, 200, 250));
    panel.view()->updateDisplay(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2);

    // The same pixels painted again compose nothing.
    const int compositions = container->compositions();
    panel.view()->caretView()->updateView();
    panel.view()->update();
    settle();
    EXPECT_EQ(container->compositions(), compositions);

    // Nor does a repaint of something lying over the screen, and the
    // terminal's text is not drawn again for it.
    QWidget above(&window);
    above.setAttribute(Qt::WA_TranslucentBackground);
    above.setGeometry(60, 40, 200, 120);
    above.show();
    settle();
    const int before = container->compositions();
    PaintedRegion painted;
    panel.view()->installEventFilter(&painted);
    above.update();
    settle();
    EXPECT_EQ(container->compositions(), before);
    QRegion text(panel.view()->rect());
    text -= panel.view()->scroller()->geometry();
    EXPECT_TRUE((painted.painted & text).isEmpty());
}

TEST_F(ComposedScreenTest, ChangesOfUntoldWidgetsReachTheirWholeBentArea)
{
    configure(keystone, everyEffect());
    QLabel* badge = addBadge();
    settle();
    badge->setText(QStringLiteral("BADGE!"));
    settle();
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2);
}

TEST_F(ComposedScreenTest, RollingMovesOnlyTheScanlines)
{
    ScreenEffects rolling = everyEffect();
    rolling.scanlines = ScreenEffects::Scanlines::Rolling;
    rolling.scanlineIntensity = 1;
    configure(keystone, rolling);
    const QImage before = onScreen();
    PaintedRegion painted;
    panel.view()->installEventFilter(&painted);
    container->setRollingOffset(2);
    settle();
    // At most the strip of its scroll bar, which repaints unannounced.
    QRegion text(panel.view()->rect());
    text -= panel.view()->scroller()->geometry();
    EXPECT_TRUE((painted.painted & text).isEmpty()) << "the terminal's text is not drawn again";
    EXPECT_EQ(container->compositor()->rollingOffset(), 2);
    const QImage after = onScreen();
    EXPECT_NE(before, after) << "the scanlines moved";
    EXPECT_LE(worstDifference(after, freshComposition()), 2);
}

TEST_F(ComposedScreenTest, RollingPassesDrawQuietWidgetsNowAndThenAndMissNoChange)
{
    ScreenEffects rolling = everyEffect();
    rolling.scanlines = ScreenEffects::Scanlines::Rolling;
    configure(keystone, rolling);
    QLabel* badge = addBadge();
    settle();
    double offset = 0;
    const auto roll = [&] {
        offset += EffectsLayer::rollingStep;
        container->setRollingOffset(offset);
        settle();
    };
    roll();
    PaintedRegion painted;
    badge->installEventFilter(&painted);
    for (int i = 0; i < 3; ++i)
        roll();
    EXPECT_TRUE(painted.painted.isEmpty()) << "a widget with nothing new is not drawn again for each pass";

    // A change without an event (its text set) shows within a few passes.
    badge->setText(QStringLiteral("BADGE!"));
    for (int i = 0; i < 8; ++i)
        roll();
    EXPECT_FALSE(painted.painted.isEmpty());
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2);

    // And once the scanlines stop, whatever the last pass left out.
    badge->setText(QStringLiteral("badge"));
    roll();
    QTest::qWait(400);
    settle();
    EXPECT_LE(worstDifference(onScreen(), freshComposition()), 2);
}

TEST_F(ComposedScreenTest, AHiddenSessionsOutputCostsTheScreenNothing)
{
    configure(keystone, everyEffect());
    // Another session's view, hidden behind the shown one as tabs are.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    auto* other = new corvel::TerminalView(panel.rootView(), font);
    other->setGeometry(panel.rootView()->rect());
    other->hide();
    settle();
    const int compositions = container->compositions();
    PaintedRegion painted;
    panel.view()->installEventFilter(&painted);
    for (int i = 0; i < 5; ++i) {
        other->feed("output of a session in the background " + std::to_string(i) + "\r\n");
        other->updateDisplay(false);
        settle();
    }
    EXPECT_EQ(container->compositions(), compositions);
    EXPECT_TRUE(painted.painted.isEmpty()) << "the shown terminal is not drawn again";
}

TEST_F(ComposedScreenTest, TheTerminalsPointerFollowsTheWarpWhileWarped)
{
    configure(keystone, everyEffect());
    const corvel::TerminalView::PointerMapping& mapping = panel.view()->pointerMapping();
    ASSERT_TRUE(mapping);
    const QTransform quad = ViewportShape::quadTransform(300, 200, keystone);
    for (const QPointF inner : {QPointF(150, 100), QPointF(20, 30), QPointF(270, 170)}) {
        // Where the warp shows the terminal's point, and what the mapping
        // makes of it.
        const std::optional<QPointF> flat = container->panelPointAt(quad.map(inner));
        ASSERT_TRUE(flat);
        const QPointF global = container->mapToGlobal(quad.map(inner));
        const std::optional<QPointF> mapped = mapping(global);
        ASSERT_TRUE(mapped);
        EXPECT_NEAR(mapped->x(), flat->x(), 1e-6);
        EXPECT_NEAR(mapped->y(), flat->y(), 1e-6);
        // The curvature moves it a little from the plain projective map.
        EXPECT_NEAR(mapped->x(), inner.x(), 6);
        EXPECT_NEAR(mapped->y(), inner.y(), 6);
    }
    EXPECT_FALSE(mapping(container->mapToGlobal(QPointF(3, 5)))) << "beside the screen: nothing";

    container->setScreenEffects(ScreenEffects{});
    container->configureViewport(QRectF(50, 40, 300, 200), QSizeF(300, 200), rectangleQuad(300, 200), 10, {});
    EXPECT_FALSE(container->isWarping());
    EXPECT_FALSE(panel.view()->pointerMapping()) << "cleared with the warp";
    EXPECT_EQ(panel.view()->pictureScale(), 1);
}

TEST_F(ComposedScreenTest, TheEffectsOverlayHandsItsEffectsAndRollingToTheScreen)
{
    configure(keystone, ScreenEffects{});
    auto* layer = new EffectsLayer(&window);
    layer->setScreen(container);
    SkinEffectsSettings settings;
    settings.scanlines = true;
    settings.scanlineStyle = QStringLiteral("rolling");
    settings.glow = true;
    settings.glowIntensity = 0.5;
    settings.curvature = true;
    settings.curvatureAmount = 0.2;
    settings.colorGrade = QStringLiteral("green");
    layer->configure(settings, QColor(200, 180, 40));
    layer->show();
    const ScreenEffects expected = ScreenEffects::from(settings, QColor(200, 180, 40));
    EXPECT_EQ(layer->screenEffects(), expected);
    EXPECT_EQ(container->screenEffects(), expected);
    EXPECT_NEAR(layer->curvatureScale(), -0.1, 1e-12);
    EXPECT_NEAR(layer->glowOpacity(), 0.3, 1e-6);
    ASSERT_TRUE(layer->isRolling());
    layer->rollingTick();
    layer->rollingTick();
    settle();
    EXPECT_NEAR(container->compositor()->rollingOffset(), layer->rollingOffset(), 1e-12);

    layer->hide();
    EXPECT_EQ(container->screenEffects(), ScreenEffects()) << "hidden: no effects on the screen";
    layer->show();
    EXPECT_EQ(container->screenEffects(), expected);
}

} // namespace
} // namespace velmora
