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

    // The application lives on to the end of the process, as the tests'
    // singletons outlive every test. A network manager made on it runs a
    // thread of its own, though, and a request still under way (a version
    // check to a closed port is slow to fail on a loaded machine) must not
    // meet a process that exit() is taking apart: end those threads here.
    void TearDown() override
    {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            const QObjectList children = application->children();
            for (QObject* child : children)
                if (child->inherits("QNetworkAccessManager"))
                    delete child;
        }
    }

private:
    int m_argc = 1;
    char m_name[16] = "velmora-tests";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new WidgetTestEnvironment);

} // namespace
