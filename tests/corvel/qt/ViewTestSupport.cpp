#include "ViewTestSupport.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QProcess>
#include <QThread>

#include "support/PrivateXServer.h"

namespace corvel::test {

namespace {

// A widget application on the offscreen platform, with DejaVu Sans Mono
// registered for the tests that measure it.
class ViewApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!QCoreApplication::instance())
            app_ = new QApplication(argc_, argv_);
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    }

private:
    int argc_ = 1;
    char name_[24] = "corvel-qt-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new ViewApplicationEnvironment);

} // namespace

QFont testFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixelSize);
    return font;
}

int countNear(const QImage& image, const QRect& rect, const QColor& color, int tolerance)
{
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(image.pixelColor(x, y), color, tolerance))
                ++n;
    return n;
}

std::vector<std::string> mask(const QImage& image, const QRect& rect, const QColor& color, int tolerance)
{
    std::vector<std::string> rows;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        std::string row;
        for (int x = rect.left(); x <= rect.right(); ++x)
            row += image.rect().contains(x, y) && near(image.pixelColor(x, y), color, tolerance) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

namespace {

// Runs the current test again in a child process with more environment
// variables and expects it to pass there.
void runInChildProcess(const std::vector<std::pair<QString, QString>>& variables)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromUtf8(test->test_suite_name()) + '.' + QString::fromUtf8(test->name());
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [variable, value] : variables)
        environment.insert(variable, value);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--gtest_filter=") + name});
    EXPECT_TRUE(child.waitForFinished(60'000)) << name.toStdString();
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

} // namespace

bool atDoubleDensity()
{
    if (qEnvironmentVariableIsSet("CORVEL_TEST_DOUBLE_DENSITY"))
        return true;
    runInChildProcess({{QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2")},
                       {QStringLiteral("CORVEL_TEST_DOUBLE_DENSITY"), QStringLiteral("1")}});
    return false;
}

bool onTestDisplay()
{
    if (qEnvironmentVariableIsSet("CORVEL_TEST_ON_DISPLAY"))
        return true;
    const QByteArray shared = qgetenv("VELMORA_TEST_DISPLAY");
    if (shared.isEmpty()) {
        [] { GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set"; }();
        return false;
    }
    // The selections belong to the whole X server: a server of the test's
    // own keeps tests that run at the same time from taking them over.
    const velmora::test::PrivateXServer server;
    runInChildProcess({{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
                       {QStringLiteral("DISPLAY"), server.displayOr(shared.constData())},
                       {QStringLiteral("CORVEL_TEST_ON_DISPLAY"), QStringLiteral("1")}});
    return false;
}

} // namespace corvel::test
