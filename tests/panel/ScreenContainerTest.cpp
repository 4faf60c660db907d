#include "panel/ScreenContainer.h"

#include "panel/Panel.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <cmath>
#include <limits>

namespace velmora {
namespace {

// A panel of two plain widgets.
class FakePanel final : public Panel {
public:
    FakePanel()
        : m_root(new QWidget)
        , m_keyboard(new QWidget(m_root))
    {
        m_keyboard->setFocusPolicy(Qt::StrongFocus);
    }
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
    const QRectF invalid[] = {QRectF(nan, 0, 10, 10), QRectF(0, infinity, 10, 10), QRectF(0, 0, 0, 10),
                              QRectF(0, 0, 10, -1), QRectF(0, 0, infinity, 10), QRectF(0, 0, 10, nan)};
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

} // namespace
} // namespace velmora
