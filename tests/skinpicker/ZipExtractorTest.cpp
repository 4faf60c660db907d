#include "skinpicker/ZipExtractor.h"

#include "support/TestFiles.h"
#include "support/ZipWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace velmora;
using velmora::test::ZipEntry;

// Every path below the folder, relative to it, sorted.
class ZipExtractorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        QDir().mkpath(destination());
    }
    QString path(const QString& name) const { return m_root.filePath(name); }
    // An empty destination and the entries as the archive, for one more case.
    void start(const std::vector<ZipEntry>& entries)
    {
        QDir(destination()).removeRecursively();
        QDir().mkpath(destination());
        QFile::remove(archive());
        velmora::test::writeZip(archive(), entries);
    }
    QString archive() const { return path("archive.zip"); }
    // Nested two deep, so that a ".." or two still lands inside the root
    // folder where the test can see it.
    QString destination() const { return path("outer/inner/dest"); }

    QTemporaryDir m_root;
};

TEST_F(ZipExtractorTest, EntryNamesMustStayBelowTheDestination)
{
    const struct {
        const char* name;
        bool safe;
    } cases[] = {
        {"skin.json", true},
        {"folder/frame.png", true},
        {"./folder//frame.png", true},
        {"folder/", true},
        {"a..b/c..", true},
        {"", false},
        {".", false},
        {"/etc/passwd", false},
        {"../evil", false},
        {"folder/../../evil", false},
        {"folder/..", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(ZipExtractor::isSafeEntryName(QString::fromUtf8(row.name)), row.safe) << row.name;
}

TEST_F(ZipExtractorTest, UnpacksFoldersAndFiles)
{
    ASSERT_NO_FATAL_FAILURE(velmora::test::writeZip(
        archive(),
        {
            ZipEntry::folder("My Skin/"),
            ZipEntry::file("My Skin/skin.json", "{\"name\": \"Neon\"}"),
            ZipEntry::file("My Skin/art/frame.png", velmora::test::pngBytes()),
            ZipEntry{"streamed.txt", "no size in the header", ZipEntry::Kind::File, {}, 0, false},
        }));
    const ZipExtractor::Result result = ZipExtractor::extract(archive(), destination());
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(velmora::test::treeOf(destination()),
              QStringList({"My Skin", "My Skin/art", "My Skin/art/frame.png", "My Skin/skin.json", "streamed.txt"}));
    EXPECT_EQ(velmora::test::readFile(destination() + "/My Skin/skin.json"), QByteArray("{\"name\": \"Neon\"}"));
    EXPECT_EQ(velmora::test::readFile(destination() + "/My Skin/art/frame.png"), velmora::test::pngBytes());
    EXPECT_EQ(result.filesWritten, 3);
}

TEST_F(ZipExtractorTest, RefusesHostileArchivesAndWritesNothingOutside)
{
    // An absolute name pointing into the test's own folder, whose parent
    // exists, so that an extractor that followed it would succeed in writing.
    const QString absoluteTarget = path("absolute-evil.txt");
    const struct {
        const char* what;
        std::vector<ZipEntry> entries;
    } cases[] = {
        {"parent traversal", {ZipEntry::file("skin.json", "{}"), ZipEntry::file("../../evil.txt", "x")}},
        {"traversal inside a path", {ZipEntry::file("a/../../../evil.txt", "x")}},
        {"absolute path", {ZipEntry::file(absoluteTarget.toUtf8(), "x")}},
        {"symbolic link", {ZipEntry::symlink("link", "../../.."), ZipEntry::file("link/evil.txt", "x")}},
        {"duplicate name", {ZipEntry::file("skin.json", "{}"), ZipEntry::file("skin.json", "again")}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(start(row.entries));
        const ZipExtractor::Result result = ZipExtractor::extract(archive(), destination());
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.unreadable);
        EXPECT_FALSE(result.error.isEmpty());
        // Only the archive and the destination's own folders exist outside it.
        QStringList outside;
        for (const QString& entry : velmora::test::treeOf(m_root.path())) {
            if (!entry.startsWith("outer/inner/dest/"))
                outside.append(entry);
        }
        EXPECT_EQ(outside, QStringList({"archive.zip", "outer", "outer/inner", "outer/inner/dest"}));
        EXPECT_FALSE(QFileInfo::exists(absoluteTarget));
    }
}

TEST_F(ZipExtractorTest, BoundsEntriesAndBytesEvenWhenHeadersLie)
{
    ZipLimits limits;
    limits.maxEntries = 5;
    limits.maxTotalBytes = 1000;

    std::vector<ZipEntry> many;
    for (int i = 0; i < 6; ++i)
        many.push_back(ZipEntry::file(QByteArray("f") + QByteArray::number(i), "x"));
    ASSERT_NO_FATAL_FAILURE(velmora::test::writeZip(archive(), many));
    EXPECT_FALSE(ZipExtractor::extract(archive(), destination(), limits).ok);

    const struct {
        const char* what;
        std::vector<ZipEntry> entries;
        bool ok;
    } cases[] = {
        {"at the limit", {ZipEntry::zeroFile("a", 600), ZipEntry::zeroFile("b", 400)}, true},
        {"declared too large", {ZipEntry::zeroFile("a", 1001)}, false},
        {"two that add up", {ZipEntry::zeroFile("a", 600), ZipEntry::zeroFile("b", 401)}, false},
        {"undeclared sizes counted as they come",
         {ZipEntry::zeroFile("a", 700, false), ZipEntry::zeroFile("b", 700, false)},
         false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(start(row.entries));
        const ZipExtractor::Result result = ZipExtractor::extract(archive(), destination(), limits);
        EXPECT_EQ(result.ok, row.ok) << result.error.toStdString();
        EXPECT_LE(result.bytesWritten, limits.maxTotalBytes);
    }
}

// Entries as deep as the bound unpack; one folder deeper fails the archive
// before anything is made at that depth, so what is left can be removed.
TEST_F(ZipExtractorTest, BoundsTheDepthOfEntries)
{
    ZipLimits limits;
    limits.maxDepth = 8;
    const struct {
        const char* what;
        QByteArray name;
        bool ok;
    } cases[] = {
        {"a file below eight folders", QByteArray("d/").repeated(8) + "f", true},
        {"a file below nine folders", QByteArray("d/").repeated(9) + "f", false},
        {"a folder nine deep", QByteArray("d/").repeated(9), false},
        {"30,000 folders deep", QByteArray("d/").repeated(30000) + "f", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(
            start({row.name.endsWith('/') ? ZipEntry::folder(row.name) : ZipEntry::file(row.name, "x")}));
        const ZipExtractor::Result result = ZipExtractor::extract(archive(), destination(), limits);
        EXPECT_EQ(result.ok, row.ok) << result.error.toStdString();
        EXPECT_FALSE(QDir(destination() + "/" + QString("d/").repeated(9)).exists());
    }
}

TEST_F(ZipExtractorTest, TellsAnUnreadableFileFromADamagedArchive)
{
    velmora::test::writeFile(archive(), "PK\x03\x04 this is not really an archive");
    ZipExtractor::Result result = ZipExtractor::extract(archive(), destination());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.unreadable);

    result = ZipExtractor::extract(path("missing.zip"), destination());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.unreadable);

    // A pipe under an archive's name is refused at once instead of blocking.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.zip")).constData(), 0600), 0);
    result = ZipExtractor::extract(path("pipe.zip"), destination());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.unreadable);
}

} // namespace
