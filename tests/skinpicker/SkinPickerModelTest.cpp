#include "skinpicker/SkinPickerModel.h"

#include "skin/FolderInstall.h"
#include "skin/SkinLoader.h"
#include "support/PinnedFolder.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"
#include "support/ZipWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace {

using namespace velmora;
using velmora::test::Pinned;
using velmora::test::ZipEntry;

class SkinPickerModelTest : public velmora::test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        QDir().mkpath(temporary());
        SkinLoader::shared().loadAll();
        model = std::make_unique<SkinPickerModel>(SkinLoader::shared());
        model->setTemporaryFolder(temporary());
        model->setAsk([this](const SkinPickerModel::Question& question) {
            questions.append(question.message);
            if (duringQuestion)
                duringQuestion();
            return answer;
        });
    }

    QString temporary() const { return root() + "/tmp"; }
    QString incoming() const { return root() + "/incoming"; }
    QString status() const { return model->statusMessage().value_or(QString()); }

    // A skin folder with its picture, outside the skins folder.
    QString makeSkinFolder(const QString& id, const QString& name, const QString& folder = QString())
    {
        const QString skin = writeSkin(folder.isEmpty() ? incoming() : folder, id, velmora::test::minimalSkin(name));
        velmora::test::writeFile(skin + "/frame@2x.png", velmora::test::pngBytes());
        return skin;
    }

    QString makeZip(const QString& fileName, const std::vector<ZipEntry>& entries)
    {
        QDir().mkpath(incoming());
        const QString path = incoming() + "/" + fileName;
        velmora::test::writeZip(path, entries);
        return path;
    }

    static QByteArray skinJson(const QString& name) { return velmora::test::toBytes(velmora::test::minimalSkin(name)); }

    bool hasSkin(const QString& name) const
    {
        for (const SkinManifest& skin : model->skins()) {
            if (skin.name == name)
                return true;
        }
        return false;
    }

    std::unique_ptr<SkinPickerModel> model;
    QStringList questions;
    bool answer = true;
    std::function<void()> duringQuestion;
    QStringList openedImages;
    SkinPickerModel::OpenImage openImage = [this](const QString& path) { openedImages.append(path); };
};

TEST_F(SkinPickerModelTest, ReportsEveryOutcomeInItsOwnWords)
{
    const struct {
        const char* what;
        std::function<void()> act;
        QString expected;
        bool prefixOnly;
    } cases[] = {
        {"missing item",
         [&] { model->importItem(root() + "/nothing-here", openImage); },
         "Couldn't read that item",
         false},
        {"unsupported file",
         [&] {
             velmora::test::writeFile(incoming() + "/notes.txt", "hello");
             model->importItem(incoming() + "/notes.txt", openImage);
         },
         "Drop a skin folder, .zip, or an image",
         false},
        {"folder without skin.json",
         [&] {
             velmora::test::writeFile(incoming() + "/theme/frame.png", velmora::test::pngBytes());
             model->importItem(incoming() + "/theme", openImage);
         },
         "Not a skin folder — missing skin.json",
         false},
        {"installed", [&] { model->importItem(makeSkinFolder("neon", "Neon"), openImage); }, "Installed neon", false},
        {"replace refused",
         [&] {
             answer = false;
             model->importItem(incoming() + "/neon", openImage);
             answer = true;
         },
         "Install cancelled",
         false},
        {"copy fails",
         [&] {
             const QString broken = makeSkinFolder("broken", "Broken");
             ASSERT_EQ(::mkfifo(QFile::encodeName(broken + "/pipe").constData(), 0600), 0);
             model->importItem(broken, openImage);
         },
         "Install failed: ",
         true},
        {"archive cannot be opened",
         [&] {
             ASSERT_EQ(::mkfifo(QFile::encodeName(incoming() + "/pipe.zip").constData(), 0600), 0);
             model->importItem(incoming() + "/pipe.zip", openImage);
         },
         "Couldn't unzip: ",
         true},
        {"archive damaged",
         [&] {
             velmora::test::writeFile(incoming() + "/damaged.zip", "PK\x03\x04 not an archive at all");
             model->importItem(incoming() + "/damaged.zip", openImage);
         },
         "Couldn't unzip that file",
         false},
        {"archive without a picture",
         [&] {
             model->importItem(makeZip("only-json.zip", {ZipEntry::file("skin.json", skinJson("Solo"))}), openImage);
         },
         "Zip needs a skin.json and an image",
         false},
        {"import folder cannot be made",
         [&] {
             const QString zip = makeZip("fine.zip",
                                         {ZipEntry::file("skin.json", skinJson("Fine")),
                                          ZipEntry::file("frame.png", velmora::test::pngBytes())});
             velmora::test::writeFile(root() + "/not-a-folder", "x");
             model->setTemporaryFolder(root() + "/not-a-folder");
             model->importItem(zip, openImage);
             model->setTemporaryFolder(temporary());
         },
         "Import failed: ",
         true},
        {"deleted",
         [&] {
             SkinLoader::shared().loadAll();
             const auto neon = std::find_if(SkinLoader::shared().skins().begin(),
                                            SkinLoader::shared().skins().end(),
                                            [](const SkinManifest& skin) { return skin.name == "Neon"; });
             ASSERT_NE(neon, SkinLoader::shared().skins().end());
             model->deleteSkin(*neon);
         },
         "Deleted Neon",
         false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        row.act();
        if (row.prefixOnly) {
            EXPECT_TRUE(status().startsWith(row.expected)) << status().toStdString();
            EXPECT_GT(status().size(), row.expected.size()) << "the reason is missing";
        } else {
            EXPECT_EQ(status(), row.expected);
        }
    }
    EXPECT_TRUE(openedImages.isEmpty());
    EXPECT_EQ(velmora::test::treeOf(temporary()), QStringList()) << "an import folder was left behind";
}

TEST_F(SkinPickerModelTest, AFailedDeleteKeepsTheWholeSkinAndBroadcastsNothing)
{
    const QString skin = makeSkinFolder("stuck", "Stuck", userSkins());
    model->reload();
    SkinManifest stuck;
    for (const SkinManifest& loaded : model->skins()) {
        if (loaded.name == "Stuck")
            stuck = loaded;
    }
    ASSERT_EQ(stuck.id, "stuck");
    const QStringList files = velmora::test::treeOf(skin);
    const QDateTime broadcastBefore = SkinLoader::shared().lastManualBroadcast();
    {
        Pinned pin(skin);
        if (!pin.pinned())
            GTEST_SKIP() << "this file system cannot pin a folder in place";
        model->deleteSkin(stuck);
    }
    EXPECT_TRUE(status().startsWith("Delete failed: ")) << status().toStdString();
    EXPECT_GT(status().size(), QStringLiteral("Delete failed: ").size());
    EXPECT_EQ(SkinLoader::shared().lastManualBroadcast(), broadcastBefore);
    EXPECT_TRUE(hasSkin("Stuck"));
    EXPECT_EQ(velmora::test::treeOf(skin), files);
    EXPECT_FALSE(QFileInfo::exists(FolderInstall::workFolder(userSkins())));
}

TEST_F(SkinPickerModelTest, FolderIdKeepsLettersNumbersDashesAndUnderscores)
{
    const struct {
        QString name;
        QString id;
    } cases[] = {
        {"Neon Dream 2.0", "neon-dream-20"},
        {" Neon ", "-neon-"},
        {"Über Gerät", "über-gerät"},
        {QString::fromUtf8("U\xcc\x88"
                           "ber"),
         QString::fromUtf8("u\xcc\x88"
                           "ber")}, // decomposed Ü keeps its mark
        {"!!!", "skin"},
        {"", "skin"},
        {"..", "skin"},
        {"../../etc", "etc"},
        {"snake_case-OK", "snake_case-ok"},
        {"Tab\tName", "tabname"},
        {"日本 スキン", "日本-スキン"},
        {"Paint 🎨 Box", "paint--box"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(SkinPickerModel::folderId(row.name), row.id) << row.name.toStdString();
}

TEST_F(SkinPickerModelTest, SortsItemsByKind)
{
    // A folder named like an archive is a folder; an archive's extension is
    // read in any case; pictures go to the builder untouched.
    makeSkinFolder("theme.zip", "Theme");
    model->importItem(incoming() + "/theme.zip", openImage);
    EXPECT_EQ(status(), "Installed theme.zip");

    const QString upper = makeZip(
        "SKIN.ZIP",
        {ZipEntry::file("skin.json", skinJson("Upper")), ZipEntry::file("frame.png", velmora::test::pngBytes())});
    model->importItem(upper, openImage);
    EXPECT_EQ(status(), "Installed upper");

    for (const char* picture : {"Frame.PNG", "photo.jpeg"}) {
        velmora::test::writeFile(incoming() + "/" + picture, velmora::test::pngBytes());
        model->importItem(incoming() + "/" + picture, openImage);
    }
    EXPECT_EQ(openedImages, QStringList({incoming() + "/Frame.PNG", incoming() + "/photo.jpeg"}));
    EXPECT_EQ(status(), "Installed upper") << "a picture sets no status";
}

TEST_F(SkinPickerModelTest, InstallsAFolderAndRefreshesItsList)
{
    const QString source = makeSkinFolder("neon", "Neon");
    velmora::test::writeFile(source + "/art/extra.txt", "kept");
    QSignalSpy changed(model.get(), &SkinPickerModel::skinsChanged);
    model->importItem(source, openImage);
    EXPECT_EQ(status(), "Installed neon");
    EXPECT_EQ(velmora::test::treeOf(userSkins() + "/neon"), velmora::test::treeOf(source));
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/neon/skin.json"), velmora::test::readFile(source + "/skin.json"));
    EXPECT_TRUE(hasSkin("Neon"));
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(FolderInstall::workFolder(userSkins())));

    // An invalid skin.json is still copied: only its presence is checked.
    const QString odd = incoming() + "/odd";
    velmora::test::writeFile(odd + "/skin.json", "not json");
    model->importItem(odd, openImage);
    EXPECT_EQ(status(), "Installed odd");
    EXPECT_TRUE(QFileInfo::exists(userSkins() + "/odd/skin.json"));
}

// depth nested folders "d" below parent; the path of the one at the given
// level (1 for the first).
QString nestFolders(const QString& parent, int depth)
{
    QDir().mkpath(parent + QString("/d").repeated(depth));
    return parent;
}
QString nestedAt(const QString& parent, int level) { return parent + QString("/d").repeated(level); }

// Whether anything opened the folder since the watch began.
class OpenWatch {
public:
    explicit OpenWatch(const QString& folder) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        m_watching = m_fd >= 0 && ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_OPEN) >= 0;
    }
    ~OpenWatch() { ::close(m_fd); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool watching() const { return m_watching; }
    bool opened() const
    {
        alignas(inotify_event) char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
    bool m_watching = false;
};

TEST_F(SkinPickerModelTest, AFolderTreeIsHeldToTheDepthOfAnArchive)
{
    const struct {
        const char* what;
        const char* folder;
        std::function<void(const QString&)> make;
        qsizetype maxDepth;
        bool deeper;
    } cases[] = {
        {"as deep as the bound", "bound", [](const QString& r) { nestFolders(r, 8); }, 8, false},
        {"a file in the deepest folder",
         "file",
         [](const QString& r) {
             nestFolders(r, 8);
             velmora::test::writeFile(nestedAt(r, 8) + "/f", "x");
         },
         8,
         false},
        {"one folder deeper", "deeper", [](const QString& r) { nestFolders(r, 9); }, 8, true},
        {"deep on a side branch",
         "branch",
         [](const QString& r) {
             nestFolders(r + "/a", 2);
             nestFolders(r + "/z", 9);
         },
         9,
         true},
        {"deep behind a link",
         "link",
         [this](const QString& r) {
             nestFolders(root() + "/far", 20);
             QDir().mkpath(r);
             QFile::link(root() + "/far", r + "/far");
         },
         8,
         false},
        {"no folder at all", "missing", [](const QString&) {}, 8, false},
        {"a folder where none may be", "none", [](const QString& r) { nestFolders(r, 1); }, 0, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const QString folder = root() + "/trees/" + row.folder;
        row.make(folder);
        EXPECT_EQ(FolderInstall::holdsFolderDeeperThan(folder, row.maxDepth), row.deeper);
    }
}

// A dropped folder whose tree is deeper than an archive may be is refused
// with the archive's reason before anything is asked or copied, and the walk
// that finds out goes no deeper than it must.
TEST_F(SkinPickerModelTest, AFolderDeeperThanAnArchiveMayBeIsRefusedUncopied)
{
    const QString deepest = makeSkinFolder("deepest", "Deepest");
    nestFolders(deepest, 64);
    model->importItem(deepest, openImage);
    EXPECT_EQ(status(), "Installed deepest");
    EXPECT_TRUE(QFileInfo(nestedAt(userSkins() + "/deepest", 64)).isDir());

    const QStringList installed = velmora::test::treeOf(userSkins());
    const struct {
        int depth;
        std::vector<int> unopened; // levels the walk has no need to open
    } cases[] = {{65, {}}, {200, {66, 100, 200}}};
    for (const auto& [depth, unopened] : cases) {
        SCOPED_TRACE(depth);
        const QString deep = makeSkinFolder(QString("deep%1").arg(depth), "Deep");
        nestFolders(deep, depth);
        std::vector<std::unique_ptr<OpenWatch>> below;
        for (const int level : unopened) {
            below.push_back(std::make_unique<OpenWatch>(nestedAt(deep, level)));
            ASSERT_TRUE(below.back()->watching());
        }
        model->importItem(deep, openImage);
        EXPECT_EQ(status(), "Install failed: " + ZipLimits().tooDeepReason());
        EXPECT_EQ(status(), "Install failed: an entry lies deeper than 64 folders");
        EXPECT_EQ(velmora::test::treeOf(userSkins()), installed);
        EXPECT_TRUE(questions.isEmpty());
        EXPECT_FALSE(hasSkin("Deep"));
        for (const auto& watch : below)
            EXPECT_FALSE(watch->opened()) << "the walk went on below the bound";
    }
}

TEST_F(SkinPickerModelTest, AFolderThatIsALinkIsInstalledAsARealCopyWithACard)
{
    const QString target = makeSkinFolder("real-neon", "Neon");
    const QString link = incoming() + "/neon";
    ASSERT_TRUE(QFile::link(target, link));
    model->importItem(link, openImage);
    EXPECT_EQ(status(), "Installed neon");
    const QFileInfo installed(userSkins() + "/neon");
    EXPECT_FALSE(installed.isSymLink());
    EXPECT_TRUE(installed.isDir());
    EXPECT_EQ(velmora::test::treeOf(userSkins() + "/neon"), velmora::test::treeOf(target));
    EXPECT_TRUE(hasSkin("Neon")) << "reported installed, so it must have a card";

    // A link put in the skins folder by hand is no installed skin: dropped
    // back, it is replaced by a copy after asking.
    const QString handMade = makeSkinFolder("real-retro", "Retro");
    ASSERT_TRUE(QFile::link(handMade, userSkins() + "/retro"));
    model->reload();
    ASSERT_FALSE(hasSkin("Retro"));
    model->importItem(userSkins() + "/retro", openImage);
    EXPECT_EQ(questions, QStringList({"Replace “retro”?"}));
    EXPECT_EQ(status(), "Installed retro");
    EXPECT_FALSE(QFileInfo(userSkins() + "/retro").isSymLink());
    EXPECT_TRUE(hasSkin("Retro"));
    EXPECT_TRUE(QFileInfo::exists(handMade + "/skin.json")) << "the link's target stays";

    // A link that leads nowhere is refused.
    ASSERT_TRUE(QFile::link(incoming() + "/gone", incoming() + "/dangling"));
    model->importItem(incoming() + "/dangling", openImage);
    EXPECT_EQ(status(), "Couldn't read that item");
    EXPECT_FALSE(QFileInfo(userSkins() + "/dangling").isSymLink());
}

TEST_F(SkinPickerModelTest, ReplacesOnlyAfterAskingAndKeepsTheOldSkinWhenTheCopyFails)
{
    const QString first = makeSkinFolder("neon", "Neon");
    model->importItem(first, openImage);
    const QByteArray installed = velmora::test::readFile(userSkins() + "/neon/skin.json");

    const QString second = makeSkinFolder("neon", "Neon Two", root() + "/elsewhere");
    answer = false;
    model->importItem(second, openImage);
    EXPECT_EQ(questions, QStringList({"Replace “neon”?"}));
    EXPECT_EQ(status(), "Install cancelled");
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/neon/skin.json"), installed);

    // A copy that fails half way leaves the installed skin whole.
    ASSERT_EQ(::mkfifo(QFile::encodeName(second + "/pipe").constData(), 0600), 0);
    answer = true;
    model->importItem(second, openImage);
    EXPECT_TRUE(status().startsWith("Install failed: ")) << status().toStdString();
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/neon/skin.json"), installed);
    EXPECT_EQ(velmora::test::treeOf(userSkins() + "/neon"), QStringList({"frame@2x.png", "skin.json"}));
    EXPECT_FALSE(QFileInfo::exists(FolderInstall::workFolder(userSkins())));

    QFile::remove(second + "/pipe");
    model->importItem(second, openImage);
    EXPECT_EQ(status(), "Installed neon");
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/neon/skin.json"), velmora::test::readFile(second + "/skin.json"));
    EXPECT_TRUE(hasSkin("Neon Two"));
    EXPECT_FALSE(hasSkin("Neon"));
}

TEST_F(SkinPickerModelTest, LeavesAFolderDroppedOntoItselfAndRefusesOneHoldingTheSkinsFolder)
{
    model->importItem(makeSkinFolder("neon", "Neon"), openImage);
    const QStringList before = velmora::test::treeOf(userSkins());

    model->importItem(userSkins() + "/neon", openImage);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(velmora::test::treeOf(userSkins()), before);
    EXPECT_EQ(status(), "neon is already installed");

    // The data folder holds the skins folder: copying it in would never end.
    velmora::test::writeFile(root() + "/data/Velmora/skin.json", skinJson("Whole"));
    model->importItem(root() + "/data/Velmora", openImage);
    EXPECT_TRUE(status().startsWith("Install failed: ")) << status().toStdString();
    EXPECT_EQ(velmora::test::treeOf(userSkins()), before);
}

TEST_F(SkinPickerModelTest, InstallsArchivesUnderTheFolderIdOfTheirSkinName)
{
    const QByteArray json = skinJson(" Neon ");
    const QString zip = makeZip("Neon Pack.zip",
                                {
                                    ZipEntry::file("__MACOSX/pack/._skin.json", "resource fork"),
                                    ZipEntry::file("__MACOSX/pack/frame.png", "not this one"),
                                    ZipEntry::file("pack/._frame.png", "nor this one"),
                                    ZipEntry::file("pack/art/a.png", velmora::test::pngBytes(Qt::red)),
                                    ZipEntry::file("pack/b.png", velmora::test::pngBytes(Qt::blue)),
                                    ZipEntry::file("pack/skin.json", json),
                                    ZipEntry::file("pack/z/skin.json", skinJson("Second")),
                                });
    duringQuestion = [] {};
    model->importItem(zip, openImage);
    EXPECT_EQ(status(), "Installed -neon-");
    EXPECT_EQ(velmora::test::treeOf(userSkins() + "/-neon-"), QStringList({"a.png", "skin.json"}));
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/-neon-/skin.json"), json);
    EXPECT_EQ(velmora::test::readFile(userSkins() + "/-neon-/a.png"), velmora::test::pngBytes(Qt::red));
    EXPECT_TRUE(questions.isEmpty());

    // Without a usable name the archive's own name is made into the id.
    for (const QByteArray& nameless : {QByteArray("{\"frame\": {}}"),
                                       QByteArray("{\"name\": \" \\t \"}"),
                                       QByteArray("[1, 2]"),
                                       QByteArray("{\"name\": 7}")}) {
        QFile::remove(incoming() + "/My Skin.zip");
        const QString named
            = makeZip("My Skin.zip",
                      {ZipEntry::file("skin.json", nameless), ZipEntry::file("frame.jpg", velmora::test::pngBytes())});
        QDir(userSkins() + "/my-skin").removeRecursively();
        model->importItem(named, openImage);
        EXPECT_EQ(status(), "Installed my-skin") << nameless.constData();
        EXPECT_EQ(velmora::test::readFile(userSkins() + "/my-skin/skin.json"), nameless);
    }
    EXPECT_EQ(velmora::test::treeOf(temporary()), QStringList());
}

TEST_F(SkinPickerModelTest, UnpacksIntoAPrivateImportFolderThatIsAlwaysRemoved)
{
    const std::vector<ZipEntry> entries
        = {ZipEntry::file("skin.json", skinJson("Neon")), ZipEntry::file("frame.png", velmora::test::pngBytes())};
    model->importItem(makeZip("neon.zip", entries), openImage);
    ASSERT_EQ(status(), "Installed neon");

    // A second install asks before replacing: look at the import folder then.
    QStringList importFolders;
    duringQuestion = [&] {
        for (const QFileInfo& entry : QDir(temporary()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            importFolders.append(entry.fileName());
            struct stat status {};
            ASSERT_EQ(::stat(QFile::encodeName(entry.absoluteFilePath()).constData(), &status), 0);
            EXPECT_EQ(status.st_mode & 0777, 0700u) << entry.fileName().toStdString();
        }
    };
    answer = false;
    model->importItem(incoming() + "/neon.zip", openImage);
    EXPECT_EQ(status(), "Install cancelled");
    ASSERT_EQ(importFolders.size(), 1);
    EXPECT_TRUE(importFolders[0].startsWith("velmora-import-"));
    const QString uuid = importFolders[0].mid(QStringLiteral("velmora-import-").size());
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_FALSE(QUuid::fromString(uuid).isNull());
    EXPECT_EQ(velmora::test::treeOf(temporary()), QStringList());
}

TEST_F(SkinPickerModelTest, HostileArchivesInstallNothingAndWriteNothingOutsideTheImportFolder)
{
    const struct {
        const char* what;
        std::vector<ZipEntry> entries;
    } cases[] = {
        {"traversal",
         {ZipEntry::file("skin.json", skinJson("Evil")),
          ZipEntry::file("frame.png", velmora::test::pngBytes()),
          ZipEntry::file("../../../incoming/evil.png", velmora::test::pngBytes())}},
        {"absolute path",
         {ZipEntry::file("skin.json", skinJson("Evil")),
          ZipEntry::file((root() + "/data/Velmora/skins/evil/skin.json").toUtf8(), skinJson("Evil")),
          ZipEntry::file("frame.png", velmora::test::pngBytes())}},
        {"symbolic link",
         {ZipEntry::symlink("skins", (root() + "/data/Velmora/skins").toUtf8()),
          ZipEntry::file("skins/evil/skin.json", skinJson("Evil")),
          ZipEntry::file("frame.png", velmora::test::pngBytes())}},
        {"symbolic link as the picture",
         {ZipEntry::file("skin.json", skinJson("Evil")), ZipEntry::symlink("frame.png", "/etc/passwd")}},
        {"bomb", {ZipEntry::file("skin.json", skinJson("Evil")), ZipEntry::zeroFile("frame.png", 300LL * 1024 * 1024)}},
        {"30,000 folders deep",
         {ZipEntry::file("skin.json", skinJson("Evil")),
          ZipEntry::file("frame.png", velmora::test::pngBytes()),
          ZipEntry::file(QByteArray("a/").repeated(30000) + "skin.json", skinJson("Evil"))}},
    };
    int n = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const QString zip = makeZip(QString("hostile-%1.zip").arg(n++), row.entries);
        const QStringList before = velmora::test::treeOf(root());
        model->importItem(zip, openImage);
        EXPECT_EQ(status(), "Couldn't unzip that file");
        EXPECT_EQ(velmora::test::treeOf(root()), before);
        EXPECT_FALSE(hasSkin("Evil"));
    }
    EXPECT_TRUE(openedImages.isEmpty());
}

TEST_F(SkinPickerModelTest, AnArchiveWithOnlyAPictureGoesToTheBuilderAsACopy)
{
    const QByteArray picture = velmora::test::pngBytes(Qt::green);
    model->importItem(makeZip("art.zip", {ZipEntry::file("art/Front.PNG", picture)}), openImage);
    EXPECT_FALSE(model->statusMessage());
    ASSERT_EQ(openedImages.size(), 1);
    const QFileInfo copy(openedImages[0]);
    EXPECT_EQ(copy.absolutePath(), QFileInfo(temporary()).absoluteFilePath());
    EXPECT_TRUE(copy.fileName().startsWith("velmora-image-"));
    EXPECT_TRUE(copy.fileName().endsWith(".PNG"));
    EXPECT_FALSE(QUuid::fromString(copy.completeBaseName().mid(QStringLiteral("velmora-image-").size())).isNull());
    EXPECT_EQ(velmora::test::readFile(copy.absoluteFilePath()), picture);
    // The copy is all that stays behind.
    EXPECT_EQ(velmora::test::treeOf(temporary()), QStringList({copy.fileName()}));
}

TEST_F(SkinPickerModelTest, DeletesOnlyUserSkinsAfterAsking)
{
    model->importItem(makeSkinFolder("neon", "Neon"), openImage);
    questions.clear();
    model->setStatusClearDelay(std::chrono::hours(1));

    // Built-in skins and a user skin that lost its skin.json are left alone.
    model->deleteSkin(SkinManifest::handheld());
    SkinManifest orphan = SkinManifest::walkie();
    orphan.isBundled = false;
    orphan.id = "orphan";
    QDir().mkpath(userSkins() + "/orphan");
    model->deleteSkin(orphan);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(userSkins() + "/orphan"));

    SkinManifest neon;
    for (const SkinManifest& skin : model->skins()) {
        if (skin.name == "Neon")
            neon = skin;
    }
    ASSERT_EQ(neon.id, "neon");
    const QString installedStatus = status();
    answer = false;
    model->deleteSkin(neon);
    EXPECT_EQ(questions, QStringList({"Delete “Neon”?"}));
    EXPECT_EQ(status(), installedStatus) << "cancelling says nothing";
    EXPECT_TRUE(QFileInfo::exists(userSkins() + "/neon/skin.json"));

    answer = true;
    QSignalSpy changed(model.get(), &SkinPickerModel::skinsChanged);
    const QDateTime before = QDateTime::currentDateTime();
    model->deleteSkin(neon);
    EXPECT_FALSE(QFileInfo::exists(userSkins() + "/neon"));
    EXPECT_EQ(status(), "Deleted Neon");
    EXPECT_FALSE(hasSkin("Neon")) << "the broadcast refreshed the list";
    EXPECT_EQ(changed.count(), 1);
    EXPECT_GE(SkinLoader::shared().lastManualBroadcast(), before);
}

TEST_F(SkinPickerModelTest, AStatusClearsAfterItsDelayOnlyWhileUnchanged)
{
    constexpr std::chrono::milliseconds delay{400};
    model->setStatusClearDelay(delay);
    const QString missing = root() + "/missing";
    velmora::test::writeFile(incoming() + "/notes.txt", "x");

    // A probe of the same delay started between two texts runs after the
    // first text's timer and before the second's: timers of one delay run in
    // the order they were started, however late a loaded machine runs them.
    std::optional<QString> atProbe;
    const auto startProbe = [&] {
        atProbe.reset();
        QTimer::singleShot(delay, Qt::PreciseTimer, model.get(), [&] { atProbe = status(); });
    };

    // A different text replaces the first and lives its own full delay.
    model->importItem(missing, openImage);
    startProbe();
    QElapsedTimer clock;
    clock.start();
    model->importItem(incoming() + "/notes.txt", openImage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return atProbe.has_value(); }, 10000));
    EXPECT_EQ(*atProbe, "Drop a skin folder, .zip, or an image") << "the first timer cleared a newer text";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->statusMessage(); }, 10000));
    EXPECT_GE(clock.elapsed(), delay.count());

    // The same text set twice is gone one delay after the first time: before
    // the second time's timer runs.
    model->importItem(missing, openImage);
    startProbe();
    model->importItem(missing, openImage);
    EXPECT_EQ(status(), "Couldn't read that item");
    ASSERT_TRUE(QTest::qWaitFor([&] { return atProbe.has_value(); }, 10000));
    EXPECT_EQ(*atProbe, QString()) << "the second time restarted the delay";

    // A model that is gone is not touched by its pending timers.
    model->importItem(missing, openImage);
    bool waited = false;
    QTimer::singleShot(delay + std::chrono::milliseconds(50), [&] { waited = true; });
    model.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return waited; }, 10000));
}

} // namespace
