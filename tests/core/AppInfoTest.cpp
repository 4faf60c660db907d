#include "core/AppInfo.h"
#include "core/AppResources.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

TEST(AppInfoTest, VersionComesFromTheBuild)
{
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(AppInfo::shortVersion()).hasMatch())
        << AppInfo::shortVersion().toStdString();
    EXPECT_FALSE(AppInfo::build().isEmpty());
}

class AppResourcesTest : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("VELMORA_RESOURCES_DIR"); }
};

TEST_F(AppResourcesTest, DefaultFolderIsShareVelmoraBesideBin)
{
    qunsetenv("VELMORA_RESOURCES_DIR");
    // Test programs live in <build>/bin, as the application does.
    EXPECT_EQ(AppResources::resourceDir(), QDir::cleanPath(QStringLiteral(VELMORA_BINARY_DIR "/share/velmora")));
}

TEST_F(AppResourcesTest, EnvironmentOverridesTheFolder)
{
    QTemporaryDir resources;
    ASSERT_TRUE(QDir(resources.path()).mkdir("Skins"));
    qputenv("VELMORA_RESOURCES_DIR", resources.path().toUtf8());

    EXPECT_EQ(AppResources::resourceDir(), resources.path());
    EXPECT_TRUE(AppResources::hasResourceDir());
    EXPECT_EQ(AppResources::skinsDir(), resources.path() + "/Skins");
    EXPECT_EQ(AppResources::fontsDir(), resources.path() + "/Fonts");
    EXPECT_EQ(AppResources::filePath("logo.png"), resources.path() + "/logo.png");
}

TEST_F(AppResourcesTest, EmptyOverrideIsIgnored)
{
    qputenv("VELMORA_RESOURCES_DIR", "");
    EXPECT_TRUE(AppResources::resourceDir().endsWith("/share/velmora"));
}

TEST_F(AppResourcesTest, MissingFolderListsNoSkins)
{
    QTemporaryDir parent;
    qputenv("VELMORA_RESOURCES_DIR", (parent.path() + "/absent").toUtf8());

    EXPECT_FALSE(AppResources::hasResourceDir());
    EXPECT_TRUE(QDir(AppResources::skinsDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
