#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>

namespace {

// A widget application on the offscreen platform (unless the test script
// chose another), with DejaVu Sans Mono registered for tests that measure text.
class WidgetTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!QCoreApplication::instance())
            m_app = new QApplication(m_argc, m_argv);
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    }

private:
    int m_argc = 1;
    char m_name[16] = "velmora-tests";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new WidgetTestEnvironment);

} // namespace
