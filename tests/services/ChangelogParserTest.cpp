#include "services/ChangelogParser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

struct ParseCase {
    const char* name;
    QString text;
    QStringList expected;
};

TEST(ChangelogParserTest, TakesTheBulletsOfTheFirstReleasedSection)
{
    const std::vector<ParseCase> cases = {
        {"no section title", "- one\n- two\n", {}},
        {"unreleased, then released with markers, then older",
         "# Changelog\n\n## [Unreleased]\n- soon\n- later\n\n## 1.2.0 - 2024-05-01\n"
         "Intro prose.\n-   **Bold** start  \n- plain **mid** end\n\n## 1.1.0\n- old\n",
         {"Bold start", "plain mid end"}},
        {"released section without bullets stops there", "## 1.0\nJust prose.\n## 0.9\n- older\n", {}},
        {"indented bullet and subheadings",
         "## 2.0\n### Added\n   - indented\n### Fixed\n\t- tabbed\n",
         {"indented", "tabbed"}},
        {"not bullets or titles", "## 3.0\n-nospace\n* star\n+ plus\n##NoSpace\n##   \n- kept\n", {"kept"}},
        {"bullets of markers or spaces only", "## 1\n- **\n-    \n- ** **\n- real\n", {"real"}},
        {"other markup stays",
         "## 1\n- *one* _two_ `three` [four](http://x)\n",
         {"*one* _two_ `three` [four](http://x)"}},
        {"unreleased in any case", "## Not yet UnReLeAsEd\n- skipped\n## v1\n- taken\n", {"taken"}},
        {"unicode spaces trimmed", "\u00a0## 1\n\u2003- \u2003spaced\u00a0\u3000\n-\u00a0not a bullet\n", {"spaced"}},
        {"CRLF line ends parse like LF",
         "# Log\r\n## 1.0\r\n- first \r\n- **second**\r\n## 0.9\r\n- old\r\n",
         {"first", "second"}},
        {"empty text", "", {}},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(ChangelogParser::parse(c.text), c.expected) << c.name;
}

TEST(ChangelogParserTest, ReadsTheNotesOfTheResourceFolder)
{
    QTemporaryDir resources;
    qputenv("VELMORA_RESOURCES_DIR", resources.path().toUtf8());
    EXPECT_TRUE(ChangelogParser::bundledNotes().isEmpty());

    ASSERT_TRUE(QDir(resources.path()).mkpath("Resources"));
    QFile file(resources.path() + "/Resources/CHANGELOG.md");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("## 0.1.0\n- Gr\xc3\xbc\xc3\x9f"
               "e\n");
    file.close();
    EXPECT_EQ(ChangelogParser::bundledNotes(), QStringList{"Gr\u00fc\u00dfe"});

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("## 0.1.0\n- bad \xff\xfe bytes\n");
    file.close();
    EXPECT_TRUE(ChangelogParser::bundledNotes().isEmpty());
    qunsetenv("VELMORA_RESOURCES_DIR");
}

} // namespace
