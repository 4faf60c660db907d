#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QTimer>

namespace {

// A widget application on the offscreen platform (unless the test script
// chose another), with DejaVu Sans Mono registered for tests that measure text,
// that quits when the tests are done.
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

    // The application lives on to the end of the process, as the tests'
    // singletons outlive every test. It ends as the application does, though:
    // its event loop quits, so whatever is kept until the application quits
    // (the settings window and the requests of its HTTP client's thread) goes
    // while the application still stands, not while exit() takes the process
    // apart.
    void TearDown() override
    {
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
    }

private:
    int m_argc = 1;
    char m_name[16] = "velmora-tests";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new WidgetTestEnvironment);

} // namespace
