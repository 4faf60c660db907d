// The skin builder and its live preview on a real X server, photographed
// from outside: the picture shows on the canvas and nowhere else, and the
// preview covers the rim of the screen area with the art or the art with the
// screen as the screen layer says. Runs only where VELMORA_TEST_DISPLAY names
// a display (scripts/check starts Xvfb and sets it).

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <functional>
#include <memory>

#include "support/ChildEnvironment.h"
#include "support/PrivateXServer.h"

namespace velmora {
namespace {

// The fixture: a 200 × 250 point frame at two pixels a point in an unusual
// grey, with a transparent window over (40, 70)–(160, 170) points. The
// screen area, (30, 60, 140, 120), is larger than the window, so its rim
// lies under the art.
const QRgb frameGrey = qRgb(141, 122, 153);
const QRectF hole(40, 70, 120, 100);
const QRectF screenArea(30, 60, 140, 120);

QImage fixturePicture()
{
    QImage image = test::filledPicture(400, 500, QColor(frameGrey), 2);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(hole, Qt::transparent); // the painter works in points
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 6)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The share of the pixels of the region that have the colour.
double share(const QImage& image, const QRegion& region, QRgb colour)
{
    qint64 all = 0;
    qint64 matching = 0;
    for (const QRect& part : region) {
        const QRect area = part.intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                ++all;
                matching += near(image.pixel(x, y), colour);
            }
    }
    return all ? double(matching) / double(all) : 0;
}

class SkinBuilderDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("VELMORA_TEST_DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
        ASSERT_TRUE(m_root.isValid());
        m_picture = test::savePicture(fixturePicture(), m_root.filePath(QStringLiteral("fixture.png")));
        // Pictures are taken from the screen: keep other tests' windows out
        // of them where a server of our own starts.
        m_server = std::make_unique<test::PrivateXServer>();
        m_environment = test::childEnvironment(m_root.path(), m_server->displayOr(display));
    }

    QByteArray run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }

    // Starts the builder with the arguments, waits for a window of its own
    // whose name matches (the search asks for both, not either) and returns
    // a picture of it once `ready` accepts one (or the last one taken).
    QImage photograph(const QStringList& arguments, const QString& windowName,
                      const std::function<bool(const QImage&)>& ready)
    {
        QProcess builder;
        builder.setProcessEnvironment(m_environment);
        builder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        builder.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-skin-builder"), arguments);
        EXPECT_TRUE(builder.waitForStarted(5000));
        const auto stop = qScopeGuard([&] {
            builder.terminate();
            if (!builder.waitForFinished(5000))
                builder.kill();
        });
        const QString pid = QString::number(builder.processId());
        QString window;
        // Generous deadlines: on a loaded machine the windows come late.
        const QDeadlineTimer found(20000);
        while (window.isEmpty() && !found.hasExpired()) {
            window = QString::fromUtf8(run(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"),
                                            QStringLiteral("--all"),
                                            QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"),
                                            pid,
                                            QStringLiteral("--name"),
                                            windowName}))
                         .trimmed()
                         .section(QLatin1Char('\n'), -1);
            if (window.isEmpty())
                QThread::msleep(100);
        }
        EXPECT_FALSE(window.isEmpty()) << "no window named " << windowName.toStdString();
        QImage picture;
        const QDeadlineTimer drawn(20000);
        while (!window.isEmpty() && !drawn.hasExpired()) {
            QThread::msleep(150);
            picture = QImage::fromData(
                run(QStringLiteral("import"), {QStringLiteral("-window"), window, QStringLiteral("png:-")}), "PNG");
            if (!picture.isNull() && ready(picture))
                break;
        }
        return picture.convertToFormat(QImage::Format_RGB32);
    }

    QString m_picture;

private:
    std::unique_ptr<test::PrivateXServer> m_server;
    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
};

TEST_F(SkinBuilderDisplayTest, ThePictureShowsOnTheCanvasBesideThePanel)
{
    // The editing area is the window less the panel of 420 and its divider.
    const auto editingArea = [](const QImage& image) { return QRect(0, 0, image.width() - 421, image.height()); };
    const auto panel = [](const QImage& image) { return QRect(image.width() - 420, 0, 420, image.height()); };
    const QImage empty = photograph(
        {}, QStringLiteral("^Velmora Skin Builder$"), [&](const QImage& image) { return image.width() >= 940; });
    ASSERT_FALSE(empty.isNull());
    EXPECT_GE(empty.width(), 940);
    EXPECT_GE(empty.height(), 540);
    EXPECT_EQ(share(empty, QRegion(editingArea(empty)), frameGrey), 0.0);

    const QImage loaded = photograph({m_picture}, QStringLiteral("^Velmora Skin Builder$"), [&](const QImage& image) {
        return share(image, QRegion(editingArea(image)), frameGrey) > 0.05;
    });
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.size(), empty.size());
    // The frame is 200 × 250 points on a canvas shown at least at half size.
    EXPECT_GT(share(loaded, QRegion(editingArea(loaded)), frameGrey), 0.05);
    EXPECT_EQ(share(loaded, QRegion(panel(loaded)), frameGrey), 0.0) << "the picture stays left of the panel";
    // The panel changed too: its header gained "New" and "Change PNG".
    const QRect header(loaded.width() - 420, 0, 420, 60);
    EXPECT_NE(loaded.copy(header), empty.copy(header));
}

TEST_F(SkinBuilderDisplayTest, ThePreviewPutsTheScreenBehindOrInFrontOfTheArt)
{
    const QString area = QStringLiteral("%1,%2,%3,%4")
                             .arg(screenArea.x())
                             .arg(screenArea.y())
                             .arg(screenArea.width())
                             .arg(screenArea.height());
    const QStringList common = {QStringLiteral("--viewport"), area, QStringLiteral("--preview"), m_picture};
    // The rim of the screen area outside the art's window, kept clear of
    // the rounded corners, and the frame well away from the screen area.
    const QRegion rim
        = QRegion(screenArea.adjusted(3, 3, -3, -3).toRect()) - QRegion(hole.adjusted(-1, -1, 1, 1).toRect());
    const QRegion frame = QRegion(QRect(10, 200, 180, 40)) + QRegion(QRect(5, 35, 20, 150));
    const auto drawn
        = [&](const QImage& image) { return image.size() == QSize(200, 250) && share(image, frame, frameGrey) > 0.9; };

    const QImage behind = photograph(common, QStringLiteral("^Preview"), drawn);
    QStringList inFrontArguments = common;
    inFrontArguments.prepend(QStringLiteral("--screen-in-front"));
    const QImage inFront = photograph(inFrontArguments, QStringLiteral("^Preview"), drawn);
    ASSERT_EQ(behind.size(), QSize(200, 250)) << "the preview has the launch size";
    ASSERT_EQ(inFront.size(), QSize(200, 250));

    EXPECT_GT(share(behind, frame, frameGrey), 0.95);
    EXPECT_GT(share(inFront, frame, frameGrey), 0.95) << "the art outside the screen is the same";
    EXPECT_GT(share(behind, rim, frameGrey), 0.95) << "behind, the art covers the screen's rim";
    EXPECT_LT(share(inFront, rim, frameGrey), 0.05) << "in front, the screen covers the art";
    // Inside the art's window both show the screen.
    const QRegion window(hole.adjusted(4, 4, -4, -4).toRect());
    EXPECT_LT(share(behind, window, frameGrey), 0.05);
    EXPECT_LT(share(inFront, window, frameGrey), 0.05);
}

} // namespace
} // namespace velmora
