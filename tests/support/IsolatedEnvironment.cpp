#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtGlobal>

namespace {

// Keeps the tests off the user's folders and off the real web service: HOME
// and XDG_DATA_HOME point at a temporary folder, and unless a test starts its
// own loopback server, requests go to a closed port on 127.0.0.1.
class IsolatedEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", m_home->path().toUtf8());
        qputenv("XDG_DATA_HOME", (m_home->path() + "/data").toUtf8());
        qputenv("VELMORA_SERVICE_URL", "http://127.0.0.1:9");
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new IsolatedEnvironment);

} // namespace
