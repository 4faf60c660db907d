#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

// The watcher and the debounce timer need an application object and its
// event loop.
class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            m_app = new QCoreApplication(m_argc, m_argv);
    }

private:
    int m_argc = 1;
    char m_name[16] = "velmora-tests";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

} // namespace
