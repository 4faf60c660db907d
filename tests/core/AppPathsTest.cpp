#include "core/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

QStringList capturedLog;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message) { capturedLog << message; }

class AppPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        capturedLog.clear();
        previousHandler = qInstallMessageHandler(captureMessage);
    }

    void TearDown() override { qInstallMessageHandler(previousHandler); }

    QString data(const QString& name) const { return home.path() + "/data/" + name; }

    void makeFolder(const QString& name, const QString& marker)
    {
        ASSERT_TRUE(QDir().mkpath(data(name)));
        QFile file(data(name) + "/" + marker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    bool exists(const QString& name) const { return QFileInfo::exists(data(name)); }
    bool holds(const QString& name, const QString& marker) const
    {
        return QFileInfo::exists(data(name) + "/" + marker);
    }

    QTemporaryDir home;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(AppPathsTest, PathsFollowTheEnvironmentAndCreateNothing)
{
    EXPECT_EQ(AppPaths::appSupport(), data("Velmora"));
    EXPECT_EQ(AppPaths::settingsFile(), data("Velmora/settings.json"));
    EXPECT_EQ(AppPaths::skinsDir(), data("Velmora/skins"));
    EXPECT_EQ(AppPaths::crashesDir(), data("Velmora/crashes"));
    EXPECT_EQ(AppPaths::crashesPendingDir(), data("Velmora/crashes/pending"));
    EXPECT_EQ(AppPaths::claudeSettings(), home.path() + "/.claude/settings.json");
    EXPECT_EQ(AppPaths::claudeStatuslineScript(), home.path() + "/.claude/rundell-statusline.sh");
    EXPECT_EQ(AppPaths::legacyClaudeStatuslineScript(), home.path() + "/.claude/vossel-statusline.sh");
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/data"));
}

TEST_F(AppPathsTest, WithoutXdgDataHomeTheFolderLiesUnderHome)
{
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(AppPaths::appSupport(), home.path() + "/.local/share/Velmora");
}

TEST_F(AppPathsTest, VosselAloneEndsUpAsVelmora)
{
    makeFolder("Vossel", "old-settings");

    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_FALSE(exists("Vossel"));
    EXPECT_FALSE(exists("Rundell"));
    EXPECT_TRUE(holds("Velmora", "old-settings"));
    EXPECT_EQ(capturedLog,
              QStringList({"[Velmora] Migrated legacy Application Support/Vossel → Rundell",
                           "[Velmora] Migrated legacy Application Support/Rundell → Velmora"}));
}

TEST_F(AppPathsTest, RundellMovesAndVosselStaysWhenBothExist)
{
    makeFolder("Vossel", "vossel-marker");
    makeFolder("Rundell", "rundell-marker");

    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_TRUE(holds("Vossel", "vossel-marker"));
    EXPECT_FALSE(exists("Rundell"));
    EXPECT_TRUE(holds("Velmora", "rundell-marker"));
    EXPECT_FALSE(holds("Velmora", "vossel-marker"));
}

TEST_F(AppPathsTest, ExistingVelmoraIsNeverReplaced)
{
    makeFolder("Vossel", "vossel-marker");
    makeFolder("Velmora", "current-marker");

    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_TRUE(holds("Velmora", "current-marker"));
    EXPECT_FALSE(holds("Velmora", "vossel-marker"));
    // The first step still runs: Vossel moves to Rundell, which then stays.
    EXPECT_FALSE(exists("Vossel"));
    EXPECT_TRUE(holds("Rundell", "vossel-marker"));
}

TEST_F(AppPathsTest, NothingToMigrateLeavesNoTrace)
{
    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_FALSE(exists("Velmora"));
    EXPECT_FALSE(exists("Rundell"));
    EXPECT_TRUE(capturedLog.isEmpty());
}

TEST_F(AppPathsTest, PlainFileNamedVelmoraBlocksTheMove)
{
    makeFolder("Rundell", "rundell-marker");
    QFile blocker(data("Velmora"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_TRUE(holds("Rundell", "rundell-marker"));
    EXPECT_TRUE(QFileInfo(data("Velmora")).isFile());
}

TEST_F(AppPathsTest, DanglingLinkNamedVelmoraCountsAsPresent)
{
    makeFolder("Rundell", "rundell-marker");
    ASSERT_TRUE(QFile::link(data("nowhere"), data("Velmora")));

    AppPaths::migrateLegacyAppSupportIfNeeded();

    EXPECT_TRUE(holds("Rundell", "rundell-marker"));
}

} // namespace
