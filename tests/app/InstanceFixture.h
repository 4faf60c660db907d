#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace velmora::test {

// A private folder for one running instance's socket and a working folder
// to hand over. The running instance lives in the test's thread; a later
// instance runs in a thread of its own through whileServing(), since handing
// over blocks until the running one answers.
class InstanceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
    }

    QString socket() const { return m_root.filePath("velmora.sock"); }
    QString folder() const { return m_root.filePath("work"); }

    // Runs the work in another thread, serving this thread's events meanwhile.
    template <typename Work> auto whileServing(Work work)
    {
        auto result = std::async(std::launch::async, work);
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(5);
        return result.get();
    }

    QTemporaryDir m_root;
};

} // namespace velmora::test
