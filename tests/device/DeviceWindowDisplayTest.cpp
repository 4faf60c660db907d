// The velmora application on a real X server: the handheld window opens
// shaped like its frame, and a typed command shows its output in the screen
// area; a skin with a distorted, rounded screen and every screen effect on
// shows its terminal inside the outline, tinted, and its frame around it.
// Runs only where VELMORA_TEST_DISPLAY names a display (scripts/check starts
// Xvfb and sets it).

#include "skin/SkinManifest.h"
#include "skin/ViewportShape.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "device/RunningVelmora.h"

namespace velmora {
namespace {

using test::run;
using test::RunningVelmora;

TEST(DeviceWindowDisplay, HandheldOpensShapedAndShowsTypedOutputOnItsScreen)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";

    RunningVelmora app(display, {});
    ASSERT_TRUE(app.root.isValid());
    ASSERT_TRUE(app.start());
    const QString window = app.waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(window.isEmpty()) << "no window titled Handheld v1";

    // The window has the frame's proportions and is cut to its outline.
    const QSize size = app.windowSize(window);
    ASSERT_FALSE(size.isEmpty());
    const int width = size.width();
    const int height = size.height();
    EXPECT_LE(std::abs(width * 555 - height * 398), 555) << width << "x" << height;
    const QString shape = QString::fromUtf8(
        run(app.environment, QStringLiteral("xwininfo"), {QStringLiteral("-id"), window, QStringLiteral("-shape")}));
    const QRegularExpressionMatch extents
        = QRegularExpression(QStringLiteral("Window shape extents:\\s+(\\d+)x(\\d+)\\+(\\d+)\\+(\\d+)")).match(shape);
    ASSERT_TRUE(extents.hasMatch()) << shape.toStdString();
    EXPECT_LT(extents.captured(1).toInt(), width) << "the transparent margin is cut away";
    EXPECT_GT(extents.captured(3).toInt(), 0);

    // A command that paints a magenta bar, on the screen only.
    const double scale = width / SkinManifest::handheld().frameSize.width();
    const QRectF v = SkinManifest::handheld().viewportRect;
    const QRect screen(int(v.x() * scale), int(v.y() * scale), int(v.width() * scale), int(v.height() * scale));
    const RunningVelmora::MagentaBar bar = app.printMagentaBar(window, screen);
    ASSERT_FALSE(bar.picture.isNull()) << "no picture of the window";
    EXPECT_GE(bar.inside, 100) << "the output is not on the screen";
    EXPECT_EQ(bar.outside, 0);
}

// A device whose screen is a rounded keystone, drawn from a picture of its
// own, with every screen effect on: 440 × 400 design units shown at 1.5.
struct DistortedFixture {
    static constexpr double scale = 1.5;
    static QString name() { return QStringLiteral("Distorted Fixture"); }
    static QSizeF frameSize() { return QSizeF(440, 400); }
    static QRectF viewport() { return QRectF(70, 60, 300, 210); }
    static std::vector<QPointF> offsets() { return {{-16, -12}, {12, -6}, {-6, 10}, {8, 6}}; }
    static constexpr double cornerRadius = 14;
    static QColor background() { return QColor(0x12, 0x30, 0x5C); }
    static QColor bezel() { return QColor(24, 24, 28); }

    // The screen's corners in design units.
    static std::vector<QPointF> corners() { return ViewportShape::corners(viewport(), offsets()); }

    // Writes skin.json and the frame picture (at twice the design size) into
    // the folder.
    static bool write(const QString& folder)
    {
        QImage picture((frameSize() * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(2, 2);
            const QRectF body(4, 4, frameSize().width() - 8, frameSize().height() - 8);
            QLinearGradient plastic(body.topLeft(), body.bottomLeft());
            plastic.setColorAt(0, QColor(96, 92, 84));
            plastic.setColorAt(1, QColor(58, 55, 50));
            painter.setPen(QPen(QColor(120, 116, 108), 1.5));
            painter.setBrush(plastic);
            painter.drawRoundedRect(body, 28, 28);
            // The bezel follows the screen's outline; the screen itself is
            // painted over too, so the device cuts it out.
            QPainterPath outline = ViewportShape::roundedQuadPath(corners(), std::vector<double>(4, cornerRadius));
            painter.setPen(QPen(bezel(), 28, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(bezel());
            painter.drawPath(outline);
            painter.setPen(Qt::NoPen);
            for (const QPointF knob : {QPointF(120, 335), QPointF(320, 335)}) {
                painter.setBrush(QColor(34, 33, 31));
                painter.drawEllipse(knob, 24, 24);
                painter.setBrush(QColor(70, 68, 63));
                painter.drawEllipse(knob, 18, 18);
            }
            painter.setBrush(QColor(40, 38, 35));
            for (int i = 0; i < 6; ++i)
                painter.drawRoundedRect(QRectF(180 + i * 14, 318, 6, 34), 3, 3);
            painter.setBrush(QColor(90, 230, 120));
            painter.drawEllipse(QPointF(392, 300), 4, 4);
        }
        if (!picture.save(QDir(folder).filePath(QStringLiteral("frame.png"))))
            return false;
        QJsonArray cornerOffsets;
        for (const QPointF& offset : offsets())
            cornerOffsets.append(QJsonObject{{QStringLiteral("x"), offset.x()}, {QStringLiteral("y"), offset.y()}});
        const QJsonObject skin{
            {QStringLiteral("name"), name()},
            {QStringLiteral("frame"),
             QJsonObject{{QStringLiteral("image"), QStringLiteral("frame.png")},
                         {QStringLiteral("width"), frameSize().width()},
                         {QStringLiteral("height"), frameSize().height()}}},
            {QStringLiteral("viewport"),
             QJsonObject{{QStringLiteral("x"), viewport().x()},
                         {QStringLiteral("y"), viewport().y()},
                         {QStringLiteral("width"), viewport().width()},
                         {QStringLiteral("height"), viewport().height()},
                         {QStringLiteral("cornerRadius"), cornerRadius},
                         {QStringLiteral("corners"), cornerOffsets}}},
            {QStringLiteral("palette"),
             QJsonObject{{QStringLiteral("foreground"), QStringLiteral("#A8F0B8")},
                         {QStringLiteral("background"), background().name()}}},
            {QStringLiteral("buttons"), QJsonArray()},
            {QStringLiteral("launchScale"), scale},
        };
        QFile file(QDir(folder).filePath(QStringLiteral("skin.json")));
        return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(skin).toJson()) > 0;
    }

    // Every effect on, the scanlines rolling.
    static QJsonObject settings()
    {
        const QJsonObject effects{
            {QStringLiteral("scanlines"), true},
            {QStringLiteral("scanlineIntensity"), 0.5},
            {QStringLiteral("scanlineStyle"), QStringLiteral("rolling")},
            {QStringLiteral("glow"), true},
            {QStringLiteral("glowIntensity"), 0.6},
            {QStringLiteral("curvature"), true},
            {QStringLiteral("curvatureAmount"), 0.3},
            {QStringLiteral("colorGrade"), QStringLiteral("green")},
        };
        return QJsonObject{{QStringLiteral("skinEffects"), QJsonObject{{name(), effects}}},
                           {QStringLiteral("fontName"), QStringLiteral("DejaVu Sans Mono")},
                           {QStringLiteral("fontSize"), 13}};
    }
};

// The mean colour of the square of the given half size around a point.
QColor meanAround(const QImage& image, QPointF centre, int half)
{
    double r = 0, g = 0, b = 0;
    int n = 0;
    const QPoint c = centre.toPoint();
    for (int y = c.y() - half; y <= c.y() + half; ++y) {
        for (int x = c.x() - half; x <= c.x() + half; ++x) {
            if (!image.rect().contains(x, y))
                continue;
            const QRgb p = image.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
            ++n;
        }
    }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

int brightness(const QColor& c) { return c.red() + c.green() + c.blue(); }

int distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST(DeviceWindowDisplay, DistortedScreenWithEveryEffectLooksRight)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";

    RunningVelmora app(display, DistortedFixture::settings());
    ASSERT_TRUE(app.root.isValid());
    const QString folder = app.root.filePath(QStringLiteral("fixture"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(DistortedFixture::write(folder));
    ASSERT_TRUE(app.start({QStringLiteral("--preview-skin"), folder}));
    const QString window = app.waitForWindow(DistortedFixture::name());
    ASSERT_FALSE(window.isEmpty()) << "no window titled " << DistortedFixture::name().toStdString();
    const QSize size = app.windowSize(window);
    ASSERT_FALSE(size.isEmpty());
    const double scale = size.width() / DistortedFixture::frameSize().width();
    EXPECT_NEAR(scale, DistortedFixture::scale, 0.01);

    // The screen in the window: its rectangle and where its corners lie.
    const QRectF v = DistortedFixture::viewport();
    const QSizeF inner(v.width() * scale, v.height() * scale);
    std::vector<QPointF> corners;
    for (const QPointF& corner : DistortedFixture::corners())
        corners.push_back(corner * scale);
    const QTransform onScreen = ViewportShape::quadTransform(inner.width(), inner.height(), corners);
    const auto at = [&](double u, double v) { return onScreen.map(QPointF(u * inner.width(), v * inner.height())); };
    QPolygonF quad;
    for (const QPointF& corner : corners)
        quad << corner;

    // A magenta bar in the screen's top rows.
    ASSERT_TRUE(app.typeLine(window, QStringLiteral("printf '\\033[48;2;255;0;255m%24s\\033[0m\\n' ''")));
    const auto magenta = [](QRgb p) { return qRed(p) > 140 && qBlue(p) > 140 && qGreen(p) < 120; };
    QImage picture;
    int onBar = 0;
    for (int attempt = 0; attempt < 100 && onBar < 200; ++attempt) {
        QThread::msleep(200);
        picture = app.picture(window);
        onBar = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                onBar += magenta(picture.pixel(x, y));
    }
    ASSERT_FALSE(picture.isNull()) << "no picture of the window";
    const QString saved = app.root.filePath(QStringLiteral("distorted-device.png"));
    EXPECT_TRUE(picture.save(saved));
    const auto keep = qScopeGuard([&] {
        if (::testing::Test::HasFailure()) {
            app.root.setAutoRemove(false);
            std::cerr << "picture of the window: " << saved.toStdString() << '\n';
        }
    });

    // The bar shows on the screen only, and its cells stand out from the
    // background.
    EXPECT_GE(onBar, 200) << "the text's cells are not on the screen";
    int barOutside = 0;
    const QRect bounds = quad.boundingRect().toAlignedRect();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            barOutside += !bounds.contains(x, y) && magenta(picture.pixel(x, y));
    EXPECT_EQ(barOutside, 0);

    // An empty part of the screen shows the background, tinted: the rolling
    // scanlines darken a row in four, the green grade shifts its hue.
    const QColor background = DistortedFixture::background();
    const QColor middle = meanAround(picture, at(0.5, 0.62), 6);
    EXPECT_LE(distance(middle, background), 90) << middle.name().toStdString();
    EXPECT_GE(distance(middle, background), 4) << "the effects leave the background untouched";
    EXPECT_GT(middle.blue(), middle.red()) << middle.name().toStdString();
    // The vignette darkens the screen towards its corners.
    const QColor corner = meanAround(picture, at(0.93, 0.86), 4);
    EXPECT_LT(brightness(corner), brightness(middle) * 0.9)
        << corner.name().toStdString() << " against " << middle.name().toStdString();

    // The tips of the rounded corners show the frame's bezel: neither the
    // screen nor its effects reach past the outline.
    for (int i = 0; i < 4; ++i) {
        const QPointF tip = corners[std::size_t(i)];
        const QPointF towardsNext = corners[std::size_t((i + 1) % 4)] - tip;
        const QPointF towardsPrevious = corners[std::size_t((i + 3) % 4)] - tip;
        QPointF bisector = towardsNext / std::hypot(towardsNext.x(), towardsNext.y())
            + towardsPrevious / std::hypot(towardsPrevious.x(), towardsPrevious.y());
        bisector /= std::hypot(bisector.x(), bisector.y());
        const QPointF probe = tip + bisector * (2.0 * scale);
        ASSERT_TRUE(quad.containsPoint(probe, Qt::OddEvenFill));
        const QColor shown = picture.pixelColor(probe.toPoint());
        EXPECT_LE(distance(shown, DistortedFixture::bezel()), 30)
            << "corner " << i << " shows " << shown.name().toStdString();
    }
    // Along the whole outline the screen meets the bezel without gaps: no
    // pixel there is left out of the window's shape (those come out black).
    QPainterPath outline
        = ViewportShape::roundedQuadPath(corners, std::vector<double>(4, DistortedFixture::cornerRadius * scale));
    QPainterPathStroker stroker;
    stroker.setWidth(4);
    const QPainterPath edge = stroker.createStroke(outline);
    int edgePixels = 0;
    std::vector<QPoint> holes;
    for (int y = bounds.top() - 3; y <= bounds.bottom() + 3; ++y) {
        for (int x = bounds.left() - 3; x <= bounds.right() + 3; ++x) {
            if (!edge.contains(QPointF(x + 0.5, y + 0.5)))
                continue;
            ++edgePixels;
            const QRgb p = picture.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) <= 6)
                holes.emplace_back(x, y);
        }
    }
    EXPECT_GT(edgePixels, 1000);
    EXPECT_TRUE(holes.empty()) << holes.size() << " holes in the screen's edge, the first at " << holes.front().x()
                               << ", " << holes.front().y();

    // Beyond the bezel, the body of the picture.
    const QColor body = picture.pixelColor((QPointF(30, 200) * scale).toPoint());
    EXPECT_LE(distance(body, QColor(76, 72, 66)), 40) << body.name().toStdString();
}

} // namespace
} // namespace velmora
