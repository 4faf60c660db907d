#include "GlTestSupport.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QThread>

namespace corvel::test {

namespace {

// Whether the tests to run draw through OpenGL: a run of the whole program,
// or of the rendering tests. The others build draw data in memory and need
// no X server.
bool wantsOpenGl()
{
    const std::string filter = ::testing::GTEST_FLAG(filter);
    return filter == "*" || filter.rfind("GpuRenderingTest.", 0) == 0;
}

// A widget application: on the X display of VELMORA_TEST_DISPLAY when one is
// given and the tests draw through OpenGL, else on the offscreen platform;
// DejaVu Sans Mono registered for the tests that measure it.
class GlApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (haveTestDisplay() && wantsOpenGl()) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("DISPLAY", std::getenv("VELMORA_TEST_DISPLAY"), 1);
        } else if (!std::getenv("QT_QPA_PLATFORM")) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        if (!QCoreApplication::instance())
            app_ = new QApplication(argc_, argv_);
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    }

private:
    int argc_ = 1;
    char name_[24] = "corvel-qt-gl-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new GlApplicationEnvironment);

} // namespace

QFont glTestFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixelSize);
    return font;
}

bool haveTestDisplay()
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    return display && *display;
}

void GpuViewFixture::SetUp()
{
    view = std::make_unique<TerminalView>(nullptr, glTestFont(14));
    view->resize(view->scrollerWidth() + cw * 20, ch * 5);
    view->show();
    view->updateDisplay(false);
    QCoreApplication::processEvents();
    store = GlyphStore::create(device);
    builder = std::make_unique<FrameDrawBuilder>(device, *store);
}

DrawData GpuViewFixture::frame(GpuBufferingMode mode)
{
    view->updateDisplay(false);
    return builder->build(*view, QSizeF(cw * 20, ch * 5), 1, mode, true);
}

const RowDrawData& GpuViewFixture::row(int screenRow)
{
    return *builder->rowCache().at(view->getTerminal().displayBuffer().yDisp() + screenRow).data;
}

} // namespace corvel::test
