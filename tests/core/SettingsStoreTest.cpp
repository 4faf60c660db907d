#include "core/SettingsStore.h"

#include "core/AppPaths.h"

#include "support/SettingsAnnouncements.h"
#include "support/TemporaryHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <limits>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using namespace velmora;

QStringList capturedLog;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& message) { capturedLog << message; }

class SettingsStoreTest : public test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        folder = root() + "/data/Velmora";
        path = folder + "/settings.json";
        capturedLog.clear();
        previousHandler = qInstallMessageHandler(captureMessage);
    }

    void TearDown() override
    {
        qInstallMessageHandler(previousHandler);
        TemporaryHome::TearDown();
    }

    void writeSettings(const QByteArray& bytes)
    {
        QDir().mkpath(folder);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray readSettings() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QJsonObject storedObject() const { return QJsonDocument::fromJson(readSettings()).object(); }

    QStringList folderEntries() const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QString folder;
    QString path;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(SettingsStoreTest, MissingFileGivesDefaultsAndWritesNothing)
{
    SettingsStore store(path);

    EXPECT_EQ(store.data(), SettingsData());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_TRUE(capturedLog.isEmpty());
}

TEST_F(SettingsStoreTest, FirstSaveCreatesTheFileAndLaterSavesReplaceIt)
{
    SettingsStore store(path);
    store.data().fontSize = 14;
    store.save();

    EXPECT_EQ(folderEntries(), QStringList({"settings.json"}));
    EXPECT_EQ(storedObject()["fontSize"].toDouble(), 14);
    EXPECT_EQ(storedObject().size(), 10);

    store.data().defaultSkin = "Walkie";
    store.save();

    EXPECT_EQ(folderEntries(), QStringList({"settings.json"}));
    EXPECT_EQ(SettingsStore(path).data(), store.data());
}

TEST_F(SettingsStoreTest, SaveGoesThroughTheTemporaryFile)
{
    // A stale temporary file from an interrupted save is overwritten, never
    // merged, and does not survive the next save.
    QDir().mkpath(folder);
    QFile stale(path + ".tmp");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(100000, 'x'));
    stale.close();

    SettingsStore store(path);
    store.save();

    EXPECT_EQ(folderEntries(), QStringList({"settings.json"}));
    EXPECT_TRUE(SettingsData::decode(readSettings()).has_value());
}

TEST_F(SettingsStoreTest, SharedStoreUsesTheApplicationSettingsFile)
{
    EXPECT_EQ(SettingsStore::shared().settingsPath(), AppPaths::settingsFile());
    EXPECT_EQ(&SettingsStore::shared(), &SettingsStore::shared());
}

struct DamagedFile {
    const char* name;
    QByteArray bytes;
};

void PrintTo(const DamagedFile& c, std::ostream* out) { *out << c.name; }

class DamagedSettingsFile : public SettingsStoreTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedSettingsFile, IsCopiedAsideAndDefaultsAreUsed)
{
    const QByteArray damaged = GetParam().bytes;
    writeSettings(damaged);
    const qint64 before = QDateTime::currentSecsSinceEpoch();

    SettingsStore store(path);

    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(store.data(), SettingsData());
    EXPECT_EQ(readSettings(), damaged) << "the damaged file stays until the next save";

    const QStringList backups = QDir(folder).entryList({"settings.json.corrupt-*"});
    ASSERT_EQ(backups.size(), 1);
    const qint64 seconds = backups[0].section('-', -1).toLongLong();
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    QFile backup(folder + "/" + backups[0]);
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), damaged);
    ASSERT_EQ(capturedLog.size(), 1);
    EXPECT_EQ(capturedLog[0],
              "[Velmora] settings.json could not be decoded — backed up to " + backups[0] + "; starting from defaults");

    store.save();
    EXPECT_TRUE(SettingsData::decode(readSettings()).has_value());
    EXPECT_TRUE(QFileInfo::exists(folder + "/" + backups[0]));
}

INSTANTIATE_TEST_SUITE_P(SettingsStore, DamagedSettingsFile,
                         ::testing::Values(DamagedFile{"TopLevelArray", "[1, 2]"},
                                           DamagedFile{"TopLevelString", "\"settings\""},
                                           DamagedFile{"TopLevelNull", "null"}, DamagedFile{"Empty", ""},
                                           DamagedFile{"Truncated", "{\"fontSize\": 12, \"fontN"},
                                           DamagedFile{"Binary", QByteArray("\x00\x01\xff{", 4)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, TwoDamagedLoadsInOneSecondLeaveOneBackup)
{
    writeSettings("[]");
    qint64 before, after;
    do {
        QDir(folder).removeRecursively();
        writeSettings("[]");
        before = QDateTime::currentSecsSinceEpoch();
        SettingsStore first(path);
        SettingsStore second(path);
        after = QDateTime::currentSecsSinceEpoch();
    } while (before != after);

    EXPECT_EQ(QDir(folder).entryList({"settings.json.corrupt-*"}).size(), 1);
}

TEST_F(SettingsStoreTest, FolderInPlaceOfTheFileReadsAsDefaultsAndKeepsIt)
{
    QDir().mkpath(path);

    SettingsStore store(path);

    EXPECT_EQ(store.data(), SettingsData());
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QDir(folder).entryList({"settings.json.corrupt-*"}).isEmpty());
}

TEST_F(SettingsStoreTest, DamagedEntriesAreDroppedAloneAndTheRestSurviveTheNextSave)
{
    writeSettings(R"({
        "fontSize": 11,
        "lastWindows": [{"id": "walkie", "skinName": "Walkie", "x": 1, "y": 2, "width": 300, "height": 400}, "oops"],
        "skinEffects": {"Walkie": {"scanlines": true, "scanlineIntensity": 0.5, "scanlineStyle": "heavy",
                                   "glow": false, "glowIntensity": 0.4, "curvature": false, "curvatureAmount": 0.15,
                                   "colorGrade": "green"},
                        "Broken": {"scanlines": true}},
        "cursorOverrides": {"Walkie": "#FF0000", "Broken": false},
        "paletteOverrides": {"Walkie": "nord", "Broken": 3}
    })");

    SettingsStore store(path);
    store.save();
    const SettingsData reread = SettingsStore(path).data();

    EXPECT_EQ(reread.fontSize, 11);
    ASSERT_EQ(reread.lastWindows.size(), 1);
    EXPECT_EQ(reread.lastWindows[0], (WindowState{"walkie", "Walkie", 1, 2, 300, 400}));
    EXPECT_EQ(reread.skinEffects.keys(), QStringList({"Walkie"}));
    EXPECT_EQ(reread.skinEffects["Walkie"].colorGrade, "green");
    EXPECT_EQ(reread.cursorOverrides, (QMap<QString, QString>{{"Walkie", "#FF0000"}}));
    EXPECT_EQ(reread.paletteOverrides, (QMap<QString, QString>{{"Walkie", "nord"}}));
    EXPECT_TRUE(QDir(folder).entryList({"settings.json.corrupt-*"}).isEmpty());
}

TEST_F(SettingsStoreTest, UnknownKeysAreKeptOnSave)
{
    writeSettings(R"({"fontSize": 10, "theme": "dark", "future": {"list": [1, 2]}})");

    SettingsStore store(path);
    store.setFontName("Other");

    EXPECT_EQ(storedObject()["theme"].toString(), "dark");
    EXPECT_EQ(storedObject()["future"].toObject()["list"].toArray().size(), 2);
    EXPECT_EQ(storedObject()["fontSize"].toDouble(), 10);
    EXPECT_EQ(storedObject()["fontName"].toString(), "Other");
}

TEST_F(SettingsStoreTest, ADamagedFileThatCannotBeBackedUpIsNeverReplaced)
{
    const QByteArray damaged = "{" + QByteArray(64 * 1024, 'x');
    writeSettings(damaged);
    // As on a full disk: no file may grow past 1 KiB while the store loads.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    SettingsStore store(path);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(store.data(), SettingsData());
    EXPECT_TRUE(QDir(folder).entryList({"settings.json.corrupt-*"}).isEmpty()) << "no empty backup is left";
    store.setFontName("Other");
    store.resetAll();
    EXPECT_EQ(readSettings(), damaged);
    ASSERT_FALSE(capturedLog.isEmpty());
    EXPECT_TRUE(capturedLog[0].startsWith("[Velmora] settings.json could not be decoded, nor backed up"))
        << capturedLog[0].toStdString();
    EXPECT_TRUE(capturedLog.contains("[Velmora] Settings not saved: settings.json is kept as it was found"));
}

TEST_F(SettingsStoreTest, ASymbolicLinkIsWrittenThrough)
{
    QDir().mkpath(folder);
    const QString target = root() + "/dotfiles/velmora.json";
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile(target).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(target, path));

    SettingsStore store(path);
    store.setFontName("Linked");

    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(storedObject()["fontName"].toString(), "Linked");
    EXPECT_FALSE(QFileInfo::exists(target + ".tmp"));
}

// Files that are not read at all: the store starts from the defaults at once
// and leaves them as they are.
TEST_F(SettingsStoreTest, AFileThatIsNotRegularOrIsHugeIsNotReadNorReplaced)
{
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* why;
    };
    const Case cases[] = {
        {"fifo", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); }, "is not a regular file"},
        {"link to /dev/zero", [&] { ASSERT_TRUE(QFile::link("/dev/zero", path)); }, "is not a regular file"},
        {"17 MiB",
         [&] {
             writeSettings("{}");
             ASSERT_TRUE(QFile::resize(path, 17 << 20));
         },
         "is larger than 16 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        capturedLog.clear();
        c.make();
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &before), 0);

        SettingsStore store(path);
        store.setFontName("Other");

        EXPECT_EQ(store.data().fontSize, SettingsData().fontSize);
        struct stat after {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_size, before.st_size);
        ASSERT_FALSE(capturedLog.isEmpty());
        EXPECT_EQ(capturedLog[0],
                  QString("[Velmora] settings.json ") + c.why
                      + " — left as it is and not saved to; starting from defaults");
    }
}

// A failed save must leave the previous file as it was and no temporary file.
TEST_F(SettingsStoreTest, FailedSaveWhenTheTemporaryPathIsTakenKeepsThePreviousFile)
{
    writeSettings(R"({"fontSize": 10})");
    const QByteArray previous = readSettings();
    ASSERT_TRUE(QDir().mkpath(path + ".tmp"));

    SettingsStore store(path);
    store.data().fontSize = 20;
    store.save();

    EXPECT_EQ(readSettings(), previous);
    EXPECT_TRUE(QFileInfo(path + ".tmp").isDir());
    EXPECT_EQ(store.data().fontSize, 20);
    ASSERT_EQ(capturedLog.size(), 1);
    EXPECT_TRUE(capturedLog[0].startsWith("[Velmora] Failed to save settings: ")) << capturedLog[0].toStdString();
}

TEST_F(SettingsStoreTest, FailedSaveWhenTheTargetIsAFolderLeavesNoTemporaryFile)
{
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));

    SettingsStore store(path);
    store.data().fontSize = 20;
    store.save();

    EXPECT_TRUE(QFileInfo(path + "/inside").isDir());
    EXPECT_FALSE(QFileInfo::exists(path + ".tmp"));
    ASSERT_EQ(capturedLog.size(), 1);
    EXPECT_TRUE(capturedLog[0].startsWith("[Velmora] Failed to save settings: "));

    // Once the obstacle is gone, the values held in memory are saved.
    QDir(path).removeRecursively();
    store.save();
    EXPECT_EQ(storedObject()["fontSize"].toDouble(), 20);
}

TEST_F(SettingsStoreTest, FontNameSetterSavesAndPostsOnlyOnAChange)
{
    SettingsStore store(path);
    test::SettingsAnnouncements announced(store);

    store.setFontName(SettingsData().fontName);
    EXPECT_TRUE(announced.list().empty());
    EXPECT_FALSE(QFileInfo::exists(path));

    store.setFontName("DejaVu Sans Mono");
    EXPECT_EQ(announced.list(), (std::vector<test::Announcement>{{"fontChanged", ""}}));
    EXPECT_EQ(storedObject()["fontName"].toString(), "DejaVu Sans Mono");
    EXPECT_EQ(store.fontName(), "DejaVu Sans Mono");
}

TEST_F(SettingsStoreTest, EffectsForASkinWithoutAnEntryAreTheDefaults)
{
    SettingsStore store(path);
    SkinEffectsSettings glowing;
    glowing.glow = true;
    store.data().skinEffects.insert("Walkie", glowing);

    EXPECT_EQ(store.effects("Walkie"), glowing);
    EXPECT_EQ(store.effects("walkie"), SkinEffectsSettings());
    EXPECT_EQ(store.effects(""), SkinEffectsSettings());
}

struct CursorCase {
    const char* name;
    SettingsStore::SrgbColor color;
    const char* stored;
};

void PrintTo(const CursorCase& c, std::ostream* out) { *out << c.name; }

class CursorOverride : public SettingsStoreTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorOverride, IsStoredAsTruncatedUpperCaseHex)
{
    SettingsStore store(path);
    test::SettingsAnnouncements announced(store);

    store.setCursorOverride(GetParam().color, "Walkie");

    EXPECT_EQ(store.data().cursorOverrides.value("Walkie"), GetParam().stored);
    EXPECT_EQ(storedObject()["cursorOverrides"].toObject()["Walkie"].toString(), GetParam().stored);
    EXPECT_EQ(announced.list(), (std::vector<test::Announcement>{{"paletteChanged", "Walkie"}}));
}

INSTANTIATE_TEST_SUITE_P(SettingsStore, CursorOverride,
                         ::testing::Values(CursorCase{"HalfTruncates", {1.0, 0.5, 0.0}, "#FF7F00"},
                                           CursorCase{"NearlyOneIsNotRoundedUp", {0.999, 0.999, 0.999}, "#FEFEFE"},
                                           CursorCase{"LowValuesKeepTwoDigits", {0.02, 0.05, 0.0}, "#050C00"},
                                           CursorCase{"ExtendedRangeIsClamped", {1.5, -0.25, 0.5}, "#FF007F"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, RemovingAMissingCursorOverrideStillSavesAndPosts)
{
    SettingsStore store(path);
    store.data().cursorOverrides.insert("Handheld v1", "#00FF00");
    test::SettingsAnnouncements announced(store);

    store.setCursorOverride(std::nullopt, "Walkie");

    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(announced.list(), (std::vector<test::Announcement>{{"paletteChanged", "Walkie"}}));

    store.setCursorOverride(std::nullopt, "Handheld v1");
    EXPECT_TRUE(store.data().cursorOverrides.isEmpty());
    EXPECT_TRUE(storedObject()["cursorOverrides"].toObject().isEmpty());
}

TEST_F(SettingsStoreTest, CursorColourThatIsNotANumberChangesNothing)
{
    SettingsStore store(path);
    test::SettingsAnnouncements announced(store);

    store.setCursorOverride(SettingsStore::SrgbColor{std::numeric_limits<double>::quiet_NaN(), 0, 0}, "Walkie");

    EXPECT_TRUE(store.data().cursorOverrides.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(announced.list().empty());
    EXPECT_EQ(capturedLog, QStringList({"[Velmora] Could not convert cursor color to sRGB — skipping save"}));
}

TEST_F(SettingsStoreTest, PruneRemovesOverridesOfUnknownPalettes)
{
    SettingsStore store(path);
    store.data().paletteOverrides = {{"Walkie", "nord"}, {"Handheld v1", "gone"}, {"Other", "dracula"}};
    test::SettingsAnnouncements announced(store);

    EXPECT_EQ(store.prunePaletteOverrides({"nord", "dracula", "gone"}), 0);
    EXPECT_FALSE(QFileInfo::exists(path)) << "nothing removed, nothing written";

    EXPECT_EQ(store.prunePaletteOverrides({"nord", "dracula"}), 1);
    EXPECT_EQ(store.data().paletteOverrides, (QMap<QString, QString>{{"Walkie", "nord"}, {"Other", "dracula"}}));
    EXPECT_EQ(storedObject()["paletteOverrides"].toObject().size(), 2);

    // The value (palette id) decides, not the key (skin name).
    EXPECT_EQ(store.prunePaletteOverrides({"Walkie", "Other"}), 2);
    EXPECT_TRUE(storedObject()["paletteOverrides"].toObject().isEmpty());
    EXPECT_TRUE(announced.list().empty());
}

TEST_F(SettingsStoreTest, PruneWithAnEmptySetRemovesEverything)
{
    SettingsStore store(path);
    store.data().paletteOverrides = {{"Walkie", "nord"}, {"Other", "dracula"}};

    EXPECT_EQ(store.prunePaletteOverrides({}), 2);
    EXPECT_TRUE(store.data().paletteOverrides.isEmpty());
}

TEST_F(SettingsStoreTest, ResetAllSavesDefaultsThenPostsInOrder)
{
    writeSettings(R"({"hasLaunchedBefore": true, "fontSize": 15, "paletteOverrides": {"Walkie": "nord"}})");
    SettingsStore store(path);
    test::SettingsAnnouncements announced(store);

    // Observers must find the defaults already saved when the first notification arrives.
    bool savedBeforeFirstNotification = false;
    QObject::connect(&store, &SettingsStore::settingsReset, [&] {
        savedBeforeFirstNotification = storedObject()["hasLaunchedBefore"] == QJsonValue(false);
    });

    store.resetAll();

    EXPECT_EQ(store.data(), SettingsData());
    EXPECT_EQ(SettingsData::decode(readSettings()), SettingsData());
    EXPECT_TRUE(savedBeforeFirstNotification);
    EXPECT_EQ(announced.list(),
              (std::vector<test::Announcement>{
                  {"settingsReset", ""}, {"fontChanged", ""}, {"paletteChanged", ""}, {"effectsChanged", ""}}));
}

TEST_F(SettingsStoreTest, OthersAnnounceTheirChangesThroughTheStoreOnceEach)
{
    struct Case {
        const char* name;
        std::function<void(SettingsStore&)> announce;
        test::Announcement expected;
    };
    const Case cases[] = {
        {"font", [](SettingsStore& s) { s.announceFontChange(); }, {"fontChanged", ""}},
        {"palette of one skin",
         [](SettingsStore& s) { s.announcePaletteChange("Walkie"); },
         {"paletteChanged", "Walkie"}},
        {"palette of every skin", [](SettingsStore& s) { s.announcePaletteChange(); }, {"paletteChanged", ""}},
        {"effects of one skin",
         [](SettingsStore& s) { s.announceEffectsChange("Walkie"); },
         {"effectsChanged", "Walkie"}},
        {"effects of every skin", [](SettingsStore& s) { s.announceEffectsChange(); }, {"effectsChanged", ""}},
    };
    SettingsStore store(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SettingsAnnouncements announced(store);
        c.announce(store);
        EXPECT_EQ(announced.list(), std::vector<test::Announcement>{c.expected});
    }
    EXPECT_FALSE(QFileInfo::exists(path)) << "announcing writes nothing";
}

TEST_F(SettingsStoreTest, OldFontNameIsMigratedAndSaved)
{
    writeSettings(R"({"fontName": "JetBrains Mono", "fontSize": 12})");

    SettingsStore store(path);

    EXPECT_EQ(store.fontName(), "JetBrainsMono NF");
    EXPECT_EQ(storedObject()["fontName"].toString(), "JetBrainsMono NF");
    EXPECT_EQ(storedObject()["fontSize"].toDouble(), 12);
}

TEST_F(SettingsStoreTest, OnlyTheExactOldFontNameIsMigrated)
{
    for (const char* name : {"jetbrains mono", "JetBrains Mono NL", " JetBrains Mono"}) {
        const QByteArray file = QJsonDocument(QJsonObject{{"fontName", name}}).toJson();
        writeSettings(file);

        SettingsStore store(path);

        EXPECT_EQ(store.fontName(), name);
        EXPECT_EQ(readSettings(), file) << "no save for " << name;
    }
}

TEST_F(SettingsStoreTest, OldDefaultShellBecomesTheLoginShell)
{
    writeSettings(R"({"defaultShell": "/bin/zsh"})");
    const QByteArray original = readSettings();

    SettingsStore store(path);

    const QString loginShell = SettingsStore::detectLoginShell();
    EXPECT_EQ(store.data().defaultShell, loginShell);
    if (loginShell == "/bin/zsh")
        EXPECT_EQ(readSettings(), original);
    else
        EXPECT_EQ(storedObject()["defaultShell"].toString(), loginShell);
}

TEST_F(SettingsStoreTest, OtherDefaultShellsStay)
{
    for (const char* shell : {"", "/bin/bash", "/usr/bin/zsh", "/bin/zsh "}) {
        const QByteArray file = QJsonDocument(QJsonObject{{"defaultShell", shell}}).toJson();
        writeSettings(file);

        SettingsStore store(path);

        EXPECT_EQ(store.data().defaultShell, shell);
        EXPECT_EQ(readSettings(), file);
    }
}

TEST(LoginShellTest, PrefersAnExecutableAccountShellThenTheEnvironment)
{
    struct Case {
        const char* account;
        const char* environment;
        const char* chosen;
    };
    const Case cases[] = {
        {"/bin/sh", "/bin/bash", "/bin/sh"},
        {"", "/bin/bash", "/bin/bash"},
        {"/no/such/shell", "/bin/bash", "/bin/bash"},
        {"/etc/passwd", "/bin/bash", "/bin/bash"}, // not executable
        {"/bin", "/bin/bash", "/bin/bash"}, // a folder
        {"", "", "/bin/sh"},
        {"/no/such/shell", "/also/missing", "/bin/sh"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SettingsStore::chooseLoginShell(c.account, c.environment), c.chosen)
            << c.account << " | " << c.environment;
}

TEST(LoginShellTest, DetectedShellIsAnExecutableFile)
{
    const QString shell = SettingsStore::detectLoginShell();
    EXPECT_FALSE(shell.isEmpty());
    EXPECT_TRUE(QFileInfo(shell).isExecutable()) << shell.toStdString();
}

} // namespace
