#include "app/DirtyStartSweep.h"
#include "app/SkinLookup.h"

#include "core/SettingsStore.h"
#include "skin/CuratedPalettes.h"
#include "skin/SkinLoader.h"
#include "support/LogCapture.h"
#include "support/TemporaryHome.h"

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using velmora::test::LogCapture;
using velmora::test::readFile;
using velmora::test::writeFile;

SkinManifest skin(const QString& id, const QString& name, QSizeF frame)
{
    SkinManifest manifest;
    manifest.id = id;
    manifest.name = name;
    manifest.frameSize = frame;
    return manifest;
}

const std::vector<SkinManifest> skins = {skin("tall", "Tall", {400, 800}),
                                         skin("wide", "Wide", {800, 400}),
                                         skin("flat", "Flat", {300, 0}),
                                         skin("huge", "Huge", {100000, 100000})};

// One main screen of 1920 by 1080 with a 40-point panel on top.
const DirtyStartSweep::Screens oneScreen{QRectF(0, 40, 1920, 1040), {QRectF(0, 40, 1920, 1040)}};

WindowState window(const QString& id, const QString& name, double x, double y, double width, double height)
{
    return WindowState{id, name, x, y, width, height};
}

TEST(DirtyStartSweepTest, WindowStatesAreRepairedOneByOne)
{
    struct Row {
        const char* what;
        WindowState saved;
        std::optional<WindowState> expected; // nothing: dropped
    };
    const Row rows[] = {
        {"aspect 2.0 against 0.5 takes the frame, centred",
         window("tall", "Tall", 10, 50, 1000, 500),
         window("tall", "Tall", 760, 160, 400, 800)},
        {"5 % off the frame's aspect stays",
         window("tall", "Tall", 100, 100, 420, 800),
         window("tall", "Tall", 100, 100, 420, 800)},
        {"on a screen no longer attached: centred, size kept",
         window("wide", "Wide", 3000, 100, 800, 400),
         window("wide", "Wide", 560, 360, 800, 400)},
        {"overlapping the screen by more than 20 points stays",
         window("wide", "Wide", -760, -300, 800, 400),
         window("wide", "Wide", -760, -300, 800, 400)},
        {"overlapping by 20 points or less is off screen",
         window("wide", "Wide", -780, 100, 800, 400),
         window("wide", "Wide", 560, 360, 800, 400)},
        {"larger than every screen: shrunk to fit the main screen, centred",
         window("tall", "Tall", 0, 0, 4000, 8000),
         window("tall", "Tall", 700, 40, 520, 1040)},
        {"near its skin's aspect and larger than every screen: fitted at the skin's aspect",
         window("tall", "Tall", 0, 0, 4400, 8000),
         window("tall", "Tall", 700, 40, 520, 1040)},
        {"wider than every screen: fitted by its width",
         window("wide", "Wide", 0, 0, 4000, 1900),
         window("wide", "Wide", 0, 80, 1920, 960)},
        {"an enormous skin's frame taken for a wrong aspect is shrunk too",
         window("huge", "Huge", 100, 100, 14000, 20000),
         window("huge", "Huge", 440, 40, 1040, 1040)},
        {"found by name when the id is gone; id and name kept",
         window("renamed", "Tall", 100, 100, 400, 800),
         window("renamed", "Tall", 100, 100, 400, 800)},
        {"empty id looks up by name", window("", "Wide", 100, 100, 800, 400), window("", "Wide", 100, 100, 800, 400)},
        {"frame without height keeps any aspect",
         window("flat", "Flat", 100, 100, 900, 100),
         window("flat", "Flat", 100, 100, 900, 100)},
        {"zero width is dropped", window("tall", "Tall", 100, 100, 0, 800), std::nullopt},
        {"negative height is dropped", window("tall", "Tall", 100, 100, 400, -1), std::nullopt},
        {"deleted skin is dropped", window("gone", "Gone", 100, 100, 400, 800), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto repaired = DirtyStartSweep::repairedWindowStates({row.saved}, skins, oneScreen);
        if (row.expected && *row.expected == row.saved) {
            EXPECT_FALSE(repaired.has_value());
            continue;
        }
        ASSERT_TRUE(repaired.has_value());
        if (row.expected) {
            ASSERT_EQ(repaired->size(), 1);
            EXPECT_EQ(repaired->first(), *row.expected);
        } else {
            EXPECT_TRUE(repaired->isEmpty());
        }
    }
}

TEST(DirtyStartSweepTest, WithoutAMainScreen)
{
    const DirtyStartSweep::Screens none;
    // Off every screen, nothing to centre on: kept as it was.
    EXPECT_FALSE(DirtyStartSweep::repairedWindowStates({window("wide", "Wide", 100, 100, 800, 400)}, skins, none));
    // A wrong aspect takes the frame at the origin.
    const auto repaired
        = DirtyStartSweep::repairedWindowStates({window("tall", "Tall", 50, 50, 1000, 500)}, skins, none);
    ASSERT_TRUE(repaired);
    EXPECT_EQ(repaired->first(), window("tall", "Tall", 0, 0, 400, 800));
}

TEST(DirtyStartSweepTest, OnScreenNeedsMoreThanTheInset)
{
    const QList<QRectF> frames{QRectF(0, 0, 1000, 1000), QRectF(1000, 0, 1000, 1000)};
    EXPECT_TRUE(DirtyStartSweep::isOnScreen(window("", "", 1500, 100, 300, 300), frames));
    EXPECT_FALSE(DirtyStartSweep::isOnScreen(window("", "", 2500, 100, 300, 300), frames));
    EXPECT_FALSE(DirtyStartSweep::isOnScreen(window("", "", 100, 100, 40, 300), frames)) << "too narrow";
    EXPECT_FALSE(DirtyStartSweep::isOnScreen(window("", "", 100, 100, 300, 300), {})) << "no screens";
}

class DirtyStartSweepStoreTest : public velmora::test::TemporaryHome {
protected:
    QString settingsPath() const { return root() + "/data/Velmora/settings.json"; }
};

TEST_F(DirtyStartSweepStoreTest, NothingToRepairLeavesTheFileAlone)
{
    SettingsStore store(settingsPath());
    store.data().lastWindows = {window("tall", "Tall", 100, 100, 400, 800)};
    store.data().defaultSkin = "Wide";
    store.save();
    const QByteArray before = readFile(settingsPath());
    ASSERT_FALSE(before.isEmpty());
    QFile::remove(settingsPath()); // a save would bring it back

    DirtyStartSweep::repairWindowState(store, skins, oneScreen);
    DirtyStartSweep::repairDefaultSkin(store, skins);
    EXPECT_EQ(DirtyStartSweep::prunePaletteOverrides(store), 0);
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

TEST_F(DirtyStartSweepStoreTest, RepairsAreSaved)
{
    SettingsStore store(settingsPath());
    store.data().lastWindows = {window("gone", "Gone", 0, 0, 400, 800), window("tall", "Tall", 100, 100, 400, 800)};
    store.data().defaultSkin = "Deleted";
    const QString valid = CuratedPalettes::all().first().id;
    store.data().paletteOverrides = {{"Tall", valid}, {"Wide", "no-such-palette"}, {"Flat", "nor-this"}};
    store.save();
    LogCapture log;

    DirtyStartSweep::repairWindowState(store, skins, oneScreen);
    DirtyStartSweep::prunePaletteOverrides(store);
    DirtyStartSweep::repairDefaultSkin(store, skins);

    const SettingsStore reloaded(settingsPath());
    EXPECT_EQ(reloaded.data().lastWindows, QList<WindowState>({window("tall", "Tall", 100, 100, 400, 800)}));
    EXPECT_EQ(reloaded.data().paletteOverrides, (QMap<QString, QString>{{"Tall", valid}}));
    EXPECT_EQ(reloaded.data().defaultSkin, "Tall");
    EXPECT_EQ(log.count("[Velmora] DirtyStartSweep: pruned 2 dangling palette override(s)"), 1);
    EXPECT_EQ(log.count("[Velmora] DirtyStartSweep: defaultSkin 'Deleted' missing — resetting to 'Tall'"), 1);
}

TEST_F(DirtyStartSweepStoreTest, DefaultSkinFallsBackToTheBuiltInSkinsWhenNoneAreLoaded)
{
    // Other tests of this program fill the process-wide loader, which never
    // empties again; so the check runs in a fresh run of this program (the
    // "threadsafe" style starts one), where nothing has loaded a skin.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto fail = [](const char* why) {
        std::fprintf(stderr, "%s\n", why);
        std::fflush(stderr);
        std::_Exit(1);
    };
    const auto check = [&] {
        const std::vector<SkinManifest> list = SkinLookup::skinList(SkinLoader::shared());
        if (list.size() != 2 || list[0].name != SkinManifest::handheld().name
            || list[1].name != SkinManifest::walkie().name)
            fail("the skin list is not the built-in handheld and walkie");
        SettingsStore store(settingsPath());
        store.data().defaultSkin = "Deleted";
        DirtyStartSweep::repairDefaultSkin(store, list);
        if (store.data().defaultSkin != SkinManifest::handheld().name)
            fail("the default skin did not fall back to the handheld");
        std::_Exit(0);
    };
    EXPECT_EXIT(check(), ::testing::ExitedWithCode(0), "");
}

TEST_F(DirtyStartSweepStoreTest, LeftoverTemporarySettingsFileIsRemoved)
{
    writeFile(settingsPath(), "{\"defaultSkin\":\"Tall\"}");
    writeFile(settingsPath() + ".tmp", "half a write");
    DirtyStartSweep::cleanStaleTempFiles();
    EXPECT_FALSE(QFileInfo::exists(settingsPath() + ".tmp"));
    EXPECT_EQ(readFile(settingsPath()), "{\"defaultSkin\":\"Tall\"}");
    DirtyStartSweep::cleanStaleTempFiles(); // again: nothing left, nothing happens
    EXPECT_TRUE(QFileInfo::exists(settingsPath()));
}

} // namespace
