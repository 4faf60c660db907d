// The velmora application on a real X server: the handheld window opens
// shaped like its frame, and a typed command shows its output in the screen
// area. Runs only where VELMORA_TEST_DISPLAY names a display (scripts/check
// starts Xvfb and sets it).

#include "skin/SkinManifest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>

#include "support/PrivateXServer.h"

namespace velmora {
namespace {

QByteArray run(const QProcessEnvironment& environment, const QString& program, const QStringList& arguments,
               bool* ok = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return process.readAllStandardOutput();
}

// Pixels of the rectangle that are exactly the colour, give or take a little.
int countColour(const QImage& image, const QRect& rect, QRgb colour)
{
    int n = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) <= 8 && std::abs(qGreen(p) - qGreen(colour)) <= 8
                 && std::abs(qBlue(p) - qBlue(colour)) <= 8;
        }
    }
    return n;
}

TEST(DeviceWindowDisplay, HandheldOpensShapedAndShowsTypedOutputOnItsScreen)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir(root.path()).mkpath(QStringLiteral("home"));
    QDir(root.path()).mkpath(QStringLiteral("data/Velmora"));
    QFile settings(root.filePath(QStringLiteral("data/Velmora/settings.json")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(R"({"hasLaunchedBefore": true, "defaultShell": "/bin/sh"})");
    settings.close();
    QFile profile(root.filePath(QStringLiteral("home/.profile")));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("PS1='velmora$ '\nexport PS1\n");
    profile.close();

    QProcessEnvironment environment;
    // Typing and the focus belong to the whole server: keep out of the way of
    // other tests on the shared display where a server of our own starts.
    const velmora::test::PrivateXServer server;
    environment.insert(QStringLiteral("DISPLAY"), server.displayOr(display));
    environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.path());
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            environment.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));

    QProcess velmora;
    velmora.setProcessEnvironment(environment);
    velmora.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    velmora.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora"), {});
    ASSERT_TRUE(velmora.waitForStarted(5000));
    const auto stop = qScopeGuard([&] {
        velmora.terminate();
        if (!velmora.waitForFinished(5000))
            velmora.kill();
    });

    const QString xdotool = QStringLiteral("xdotool");
    QString window;
    for (int attempt = 0; attempt < 100 && window.isEmpty(); ++attempt) {
        window = QString::fromUtf8(run(environment, xdotool, {QStringLiteral("search"), QStringLiteral("--name"),
                                                              QStringLiteral("^Handheld v1$")}))
                     .trimmed()
                     .section(QLatin1Char('\n'), -1);
        if (window.isEmpty())
            QThread::msleep(100);
    }
    ASSERT_FALSE(window.isEmpty()) << "no window titled Handheld v1";

    // The window has the frame's proportions and is cut to its outline.
    const QString geometry =
        QString::fromUtf8(run(environment, xdotool, {QStringLiteral("getwindowgeometry"), window}));
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
    ASSERT_TRUE(size.hasMatch()) << geometry.toStdString();
    const int width = size.captured(1).toInt();
    const int height = size.captured(2).toInt();
    EXPECT_LE(std::abs(width * 555 - height * 398), 555) << width << "x" << height;
    const QString shape = QString::fromUtf8(run(environment, QStringLiteral("xwininfo"),
                                                {QStringLiteral("-id"), window, QStringLiteral("-shape")}));
    const QRegularExpressionMatch extents =
        QRegularExpression(QStringLiteral("Window shape extents:\\s+(\\d+)x(\\d+)\\+(\\d+)\\+(\\d+)")).match(shape);
    ASSERT_TRUE(extents.hasMatch()) << shape.toStdString();
    EXPECT_LT(extents.captured(1).toInt(), width) << "the transparent margin is cut away";
    EXPECT_GT(extents.captured(3).toInt(), 0);

    // A command that paints a magenta bar.
    bool ok = false;
    run(environment, xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &ok);
    ASSERT_TRUE(ok);
    run(environment, xdotool,
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
         QStringLiteral("printf '\\033[48;2;255;0;255m%30s\\033[0m\\n' ''")},
        &ok);
    ASSERT_TRUE(ok);
    run(environment, xdotool, {QStringLiteral("key"), QStringLiteral("Return")}, &ok);
    ASSERT_TRUE(ok);

    const double scale = width / SkinManifest::handheld().frameSize.width();
    const QRectF v = SkinManifest::handheld().viewportRect;
    const QRect screen(int(v.x() * scale), int(v.y() * scale), int(v.width() * scale), int(v.height() * scale));
    QImage picture;
    int inside = 0;
    for (int attempt = 0; attempt < 50 && inside < 100; ++attempt) {
        QThread::msleep(200);
        picture = QImage::fromData(run(environment, QStringLiteral("import"),
                                       {QStringLiteral("-window"), window, QStringLiteral("png:-")}),
                                   "PNG");
        if (!picture.isNull())
            inside = countColour(picture, screen, qRgb(255, 0, 255));
    }
    ASSERT_FALSE(picture.isNull()) << "no picture of the window";
    EXPECT_GE(inside, 100) << "the output is not on the screen";
    QRegion outside(picture.rect());
    outside -= QRegion(screen);
    int outsideCount = 0;
    for (const QRect& part : outside)
        outsideCount += countColour(picture, part, qRgb(255, 0, 255));
    EXPECT_EQ(outsideCount, 0);
}

} // namespace
} // namespace velmora
