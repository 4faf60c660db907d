#include "app/ClaudeStatuslineCleanup.h"

#include "support/LogCapture.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using velmora::test::LogCapture;
using velmora::test::readFile;
using velmora::test::writeFile;

const QString removedLine = "[Velmora] Removed statusLine shim from ~/.claude/settings.json";

class ClaudeStatuslineCleanupTest : public velmora::test::TemporaryHome {
protected:
    QString claude(const QString& name) const { return root() + "/home/.claude/" + name; }
    QJsonObject settingsObject() const { return QJsonDocument::fromJson(readFile(claude("settings.json"))).object(); }
};

TEST_F(ClaudeStatuslineCleanupTest, FilesWithoutTheShimStayByteForByte)
{
    const char* const untouched[] = {
        "{\n  \"statusLine\": {\"type\": \"command\", \"command\": \"mine.sh\"},\n  \"theme\": \"dark\"\n}\n",
        "{\"statusLine\": {\"_rundell\": \"true\", \"command\": \"x\"}}",
        "{\"statusLine\": {\"_vossel\": 1, \"command\": \"x\"}}",
        "{\"statusLine\": {\"_rundell\": false, \"_originalCommand\": \"x\"}}",
        "{\"statusLine\": \"_rundell\"}",
        "{\"theme\": \"dark\"}",
        "{}",
        "[{\"statusLine\": {\"_rundell\": true}}]",
        "{\"statusLine\": {\"_rundell\": true}",
        "not json at all",
    };
    for (const char* text : untouched) {
        SCOPED_TRACE(text);
        writeFile(claude("settings.json"), text);
        LogCapture log;
        ClaudeStatuslineCleanup::uninstall();
        EXPECT_EQ(readFile(claude("settings.json")), QByteArray(text));
        EXPECT_FALSE(QFileInfo::exists(claude("settings.json.rundell-tmp")));
        EXPECT_EQ(log.count(removedLine), 0);
    }
}

TEST_F(ClaudeStatuslineCleanupTest, MarkedEntryGetsItsOriginalCommandBack)
{
    writeFile(claude("settings.json"), R"({"zeta": [1, 2], "statusLine": {"_rundell": true, "type": "command",
        "command": "~/.claude/rundell-statusline.sh", "_originalCommand": "starship prompt"}, "alpha": {"b": 1}})");
    LogCapture log;
    ClaudeStatuslineCleanup::uninstall();

    const QByteArray rewritten = readFile(claude("settings.json"));
    const QJsonObject root = QJsonDocument::fromJson(rewritten).object();
    EXPECT_EQ(root.value("statusLine").toObject(), (QJsonObject{{"type", "command"}, {"command", "starship prompt"}}));
    EXPECT_EQ(root.value("zeta").toArray().size(), 2);
    EXPECT_EQ(root.value("alpha").toObject().value("b").toInt(), 1);
    // Pretty-printed with the keys in order.
    EXPECT_LT(rewritten.indexOf("\"alpha\""), rewritten.indexOf("\"statusLine\""));
    EXPECT_LT(rewritten.indexOf("\"statusLine\""), rewritten.indexOf("\"zeta\""));
    EXPECT_TRUE(rewritten.contains("\n    "));
    EXPECT_EQ(log.count(removedLine), 1);
}

TEST_F(ClaudeStatuslineCleanupTest, MarkedEntryWithoutAnOriginalCommandGoes)
{
    for (const char* statusLine : {R"({"_vossel": true, "command": "x"})",
                                   R"({"_rundell": true, "_originalCommand": ""})",
                                   R"({"_rundell": true, "_originalCommand": 7})"}) {
        SCOPED_TRACE(statusLine);
        writeFile(claude("settings.json"), QByteArray("{\"model\": \"m\", \"statusLine\": ") + statusLine + "}");
        ClaudeStatuslineCleanup::uninstall();
        EXPECT_EQ(settingsObject(), (QJsonObject{{"model", "m"}}));
    }
}

TEST_F(ClaudeStatuslineCleanupTest, PermissionsAndLinksAreKept)
{
    const QString real = root() + "/home/dotfiles/claude-settings.json";
    writeFile(real, R"({"statusLine": {"_rundell": true}, "model": "m"})");
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QDir().mkpath(claude(""));
    ASSERT_TRUE(QFile::link(real, claude("settings.json")));

    ClaudeStatuslineCleanup::uninstall();

    EXPECT_TRUE(QFileInfo(claude("settings.json")).isSymLink());
    EXPECT_EQ(QFileInfo(real).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(QJsonDocument::fromJson(readFile(real)).object(), (QJsonObject{{"model", "m"}}));
    EXPECT_TRUE(QDir(root() + "/home/dotfiles").entryList(QDir::Files).size() == 1) << "no temporary file left";
}

TEST_F(ClaudeStatuslineCleanupTest, ShimScriptsAreDeleted)
{
    writeFile(claude("rundell-statusline.sh"), "#!/bin/sh\n");
    writeFile(claude("vossel-statusline.sh"), "#!/bin/sh\n");
    writeFile(claude("other.sh"), "#!/bin/sh\n");
    ClaudeStatuslineCleanup::uninstall();
    EXPECT_FALSE(QFileInfo::exists(claude("rundell-statusline.sh")));
    EXPECT_FALSE(QFileInfo::exists(claude("vossel-statusline.sh")));
    EXPECT_TRUE(QFileInfo::exists(claude("other.sh")));
}

TEST_F(ClaudeStatuslineCleanupTest, NoClaudeFolderIsQuiet)
{
    LogCapture log;
    log.clear();
    ClaudeStatuslineCleanup::uninstall();
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(claude("")));
}

} // namespace
