#include "skin/SkinLoader.h"

#include "support/LogCapture.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTest>

#include <vector>

namespace velmora {
namespace {

using test::LogCapture;
using test::minimalSkin;

QStringList ids(const std::vector<SkinManifest>& skins)
{
    QStringList list;
    for (const SkinManifest& skin : skins)
        list << (skin.isBundled ? QStringLiteral("bundle:") : QStringLiteral("user:")) + skin.id;
    return list;
}

class SkinLoaderTest : public test::TemporaryHome {
protected:
    SkinLoader loader;
};

TEST_F(SkinLoaderTest, WithNoSkinFoldersTheHandheldStandsAlone)
{
    LogCapture log;
    log.clear();
    EXPECT_TRUE(loader.skins().empty());
    loader.loadAll();
    EXPECT_EQ(ids(loader.skins()), QStringList{"bundle:handheld"});
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Loaded 1 skins (0 from disk)")), 1);
    EXPECT_TRUE(QFileInfo(userSkins()).isDir()) << "the user skins folder is created";
}

TEST_F(SkinLoaderTest, BundleSkinsThenUserSkinsInNameOrderThenTheHandheld)
{
    writeSkin(bundleSkins(), QStringLiteral("beta"), minimalSkin(QStringLiteral("Beta")));
    writeSkin(bundleSkins(), QStringLiteral("alpha"), minimalSkin(QStringLiteral("Alpha")));
    writeSkin(userSkins(), QStringLiteral("alpha"), minimalSkin(QStringLiteral("My Alpha")));
    writeSkin(userSkins(), QStringLiteral("Zed"), minimalSkin(QStringLiteral("Zed")));
    writeSkin(userSkins(), QStringLiteral(".hidden"), minimalSkin(QStringLiteral("Hidden")));
    QDir().mkpath(userSkins() + QStringLiteral("/no-manifest"));
    test::writeFile(userSkins() + QStringLiteral("/notes.txt"), "not a skin");

    LogCapture log;
    log.clear();
    loader.loadAll();
    EXPECT_EQ(
        ids(loader.skins()),
        (QStringList{"bundle:alpha", "bundle:beta", "user:.hidden", "user:Zed", "user:alpha", "bundle:handheld"}));
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Loaded skin: My Alpha from alpha")), 1);
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Loaded 6 skins (5 from disk)")), 1);
    EXPECT_EQ(log.count(QStringLiteral("Failed")), 0) << "entries without a skin.json pass silently";
}

TEST_F(SkinLoaderTest, AScannedSkinNamedLikeTheHandheldTakesItsPlace)
{
    writeSkin(userSkins(), QStringLiteral("a-pad"), minimalSkin(QStringLiteral("Pad")));
    writeSkin(userSkins(), QStringLiteral("my-handheld"), minimalSkin(QStringLiteral("Handheld v1")));
    writeSkin(userSkins(), QStringLiteral("z-pad"), minimalSkin(QStringLiteral("Z")));
    loader.loadAll();
    EXPECT_EQ(ids(loader.skins()), (QStringList{"user:a-pad", "user:my-handheld", "user:z-pad"}));
}

TEST_F(SkinLoaderTest, AScannedSkinWithTheHandheldsIdButAnotherNameDoesNot)
{
    writeSkin(bundleSkins(), QStringLiteral("handheld"), minimalSkin(QStringLiteral("Handheld v2")));
    loader.loadAll();
    EXPECT_EQ(ids(loader.skins()), (QStringList{"bundle:handheld", "bundle:handheld"}));
    EXPECT_EQ(loader.skins().back().name, QStringLiteral("Handheld v1"));
}

struct BrokenSkin {
    const char* description;
    QByteArray json;
};

class BrokenSkinTest : public SkinLoaderTest, public ::testing::WithParamInterface<BrokenSkin> {};

TEST_P(BrokenSkinTest, LogsOneLineAndLoadsTheOthers)
{
    writeSkin(userSkins(), QStringLiteral("a-good"), minimalSkin(QStringLiteral("Good A")));
    const QString broken = writeSkin(userSkins(), QStringLiteral("b-broken"), GetParam().json);
    writeSkin(userSkins(), QStringLiteral("c-good"), minimalSkin(QStringLiteral("Good C")));

    LogCapture log;
    log.clear();
    loader.loadAll();
    EXPECT_EQ(ids(loader.skins()), (QStringList{"user:a-good", "user:c-good", "bundle:handheld"}));
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Failed to load skin at ") + broken + QStringLiteral(": ")), 1)
        << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(log.count(QStringLiteral("Failed")), 1);
}

QByteArray withFrame(const QJsonObject& frame)
{
    QJsonObject json = minimalSkin(QStringLiteral("Broken"));
    json["frame"] = frame;
    return test::toBytes(json);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenSkinTest,
    ::testing::Values(
        BrokenSkin{"not JSON", "{ nope"}, BrokenSkin{"empty file", ""},
        BrokenSkin{
            "missing palette",
            R"({"name":"x","frame":{"image":"f.png","width":1,"height":1},"viewport":{"x":0,"y":0,"width":1,"height":1},"buttons":[]})"},
        BrokenSkin{"zero width", withFrame({{"image", "f.png"}, {"width", 0}, {"height", 10}})},
        BrokenSkin{"negative height", withFrame({{"image", "f.png"}, {"width", 10}, {"height", -5}})},
        BrokenSkin{"almost no size", withFrame({{"image", "f.png"}, {"width", 1e-300}, {"height", 1e-300}})},
        BrokenSkin{"a thread", withFrame({{"image", "f.png"}, {"width", 3}, {"height", 100000}})},
        BrokenSkin{"picture outside", withFrame({{"image", "../a-good/skin.json"}, {"width", 10}, {"height", 10}})}));

TEST_F(SkinLoaderTest, LoadSingleReadsOneFolderWithoutTouchingTheList)
{
    const QString folder = writeSkin(
        root() + QStringLiteral("/elsewhere"), QStringLiteral("preview"), minimalSkin(QStringLiteral("Preview")));
    loader.loadAll();
    const auto before = ids(loader.skins());

    LogCapture log;
    log.clear();
    const auto skin = loader.loadSingle(folder);
    ASSERT_TRUE(skin.has_value());
    EXPECT_EQ(skin->id, QStringLiteral("preview"));
    EXPECT_FALSE(skin->isBundled);
    EXPECT_EQ(skin->frameImageName, folder + QStringLiteral("/frame@2x.png"));
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Loaded preview skin: Preview")), 1);
    EXPECT_EQ(ids(loader.skins()), before);

    log.clear();
    const QString empty = root() + QStringLiteral("/nothing");
    EXPECT_FALSE(loader.loadSingle(empty).has_value());
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] No skin.json at ") + empty), 1);

    log.clear();
    test::writeFile(folder + QStringLiteral("/skin.json"), "[]");
    EXPECT_FALSE(loader.loadSingle(folder).has_value());
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Failed to parse preview skin: ")), 1);
}

TEST_F(SkinLoaderTest, ReloadAndBroadcastStampsRescansAndPostsOnce)
{
    QSignalSpy spy(&loader, &SkinLoader::skinsReloaded);
    loader.loadAll();
    writeSkin(userSkins(), QStringLiteral("new"), minimalSkin(QStringLiteral("New")));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    loader.reloadAndBroadcast();
    EXPECT_GE(loader.lastManualBroadcast(), before);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(ids(loader.skins()), (QStringList{"user:new", "bundle:handheld"}));
}

class SkinWatcherTest : public SkinLoaderTest {
protected:
    void SetUp() override
    {
        SkinLoaderTest::SetUp();
        loader.loadAll();
        loader.startWatching();
    }

    // Waits until no notification has come for a while, bounded.
    void settle(QSignalSpy& spy, int quietMs = 1200)
    {
        int seen = -1;
        for (int round = 0; round < 10 && seen != spy.count(); ++round) {
            seen = spy.count();
            QTest::qWait(quietMs);
        }
    }

    static void replaceAtomically(const QString& path, const QByteArray& bytes)
    {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }
};

TEST_F(SkinWatcherTest, StartingTwiceMakesOneWatcher)
{
    loader.startWatching();
    EXPECT_TRUE(loader.isWatching());
    EXPECT_EQ(loader.findChildren<QFileSystemWatcher*>().size(), 1);
}

TEST_F(SkinWatcherTest, ABurstOfChangesEndsInOneRescanAndOneNotification)
{
    QSignalSpy spy(&loader, &SkinLoader::skinsReloaded);
    // When each change reaches the loader (this connection comes after its own).
    QFileSystemWatcher* watcher = loader.findChild<QFileSystemWatcher*>();
    ASSERT_NE(watcher, nullptr);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> changes;
    const auto heard = [&](const QString&) { changes.push_back(clock.elapsed()); };
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, watcher, heard);
    QObject::connect(watcher, &QFileSystemWatcher::fileChanged, watcher, heard);

    for (int i = 0; i < 4; ++i) {
        writeSkin(userSkins(), QStringLiteral("copied-%1").arg(i), minimalSkin(QStringLiteral("Copied %1").arg(i)));
        test::writeFile(userSkins() + QStringLiteral("/copied-%1/frame@2x.png").arg(i), "png");
        QTest::qWait(50);
    }
    EXPECT_TRUE(spy.wait(20000));
    settle(spy);
    EXPECT_FALSE(changes.empty());
    // One notification, unless the machine stalled between two changes for
    // nearly the whole wait (a coarse timer may end a twentieth early).
    bool stalled = false;
    for (std::size_t i = 1; i < changes.size(); ++i)
        stalled = stalled || changes[i] - changes[i - 1] >= SkinLoader::reloadDelay.count() * 9 / 10;
    if (!stalled) {
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_EQ(loader.skins().size(), 5u);
}

TEST_F(SkinWatcherTest, AWritersOwnBroadcastIsNotRepeatedByTheWatcher)
{
    QSignalSpy spy(&loader, &SkinLoader::skinsReloaded);
    writeSkin(userSkins(), QStringLiteral("written"), minimalSkin(QStringLiteral("Written")));
    loader.reloadAndBroadcast();
    settle(spy);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(SkinWatcherTest, AWakeAfterTheWindowRescansAgain)
{
    QSignalSpy spy(&loader, &SkinLoader::skinsReloaded);
    loader.setLastManualBroadcast(QDateTime::currentDateTimeUtc().addMSecs(-1000));
    writeSkin(userSkins(), QStringLiteral("late"), minimalSkin(QStringLiteral("Late")));
    EXPECT_TRUE(spy.wait(20000)) << "the wait ends 1.6 s after the stamp, past the window";
    EXPECT_EQ(loader.skins().front().name, QStringLiteral("Late"));
}

TEST_F(SkinWatcherTest, NewFoldersAndReplacedFilesStayWatched)
{
    QSignalSpy spy(&loader, &SkinLoader::skinsReloaded);
    const QString folder = writeSkin(userSkins(), QStringLiteral("fresh"), minimalSkin(QStringLiteral("Fresh 1")));
    ASSERT_TRUE(spy.wait(20000));
    settle(spy, 800);
    EXPECT_EQ(loader.skins().front().name, QStringLiteral("Fresh 1"));

    for (int version = 2; version <= 3; ++version) {
        const int seen = spy.count();
        replaceAtomically(folder + QStringLiteral("/skin.json"),
                          test::toBytes(minimalSkin(QStringLiteral("Fresh %1").arg(version))));
        ASSERT_TRUE(spy.wait(20000)) << version;
        settle(spy, 800);
        EXPECT_EQ(spy.count(), seen + 1) << version;
        EXPECT_EQ(loader.skins().front().name, QStringLiteral("Fresh %1").arg(version));
    }
}

// A skin's name and its folder go to standard error escaped and cut short:
// a name holding terminal controls and 100,000 characters writes one line
// of a sane length.
TEST_F(SkinLoaderTest, FileBorneTextIsEscapedAndCutInLogLines)
{
    const QString hostile
        = QStringLiteral("\x1b]2;owned\x07\x1b[2J") + QString(100000, u'n') + QStringLiteral("\n[Velmora] fake");
    writeSkin(userSkins(), QStringLiteral("evil\x1b[31m"), minimalSkin(hostile));
    LogCapture log;
    log.clear();
    loader.loadAll();
    ASSERT_EQ(loader.skins().front().name, hostile) << "the name itself is kept";
    const QStringList lines = log.lines().filter(QStringLiteral("Loaded skin:"));
    ASSERT_EQ(lines.size(), 1);
    const QString line = lines.first();
    EXPECT_FALSE(line.contains(QChar(0x1b)));
    EXPECT_FALSE(line.contains(u'\n'));
    EXPECT_FALSE(line.contains(u'\a'));
    EXPECT_TRUE(line.contains(QStringLiteral("\\x1b]2;owned")));
    EXPECT_TRUE(line.contains(QStringLiteral("from evil\\x1b[31m")));
    EXPECT_LT(line.size(), 600);
}

} // namespace
} // namespace velmora
