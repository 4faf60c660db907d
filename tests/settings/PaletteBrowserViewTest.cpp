#include "settings/PaletteBrowserView.h"
#include "settings/SettingsViewModel.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "skin/CuratedPalettes.h"
#include "skin/SkinLoader.h"
#include "support/SettingsAnnouncements.h"
#include "support/SkinOnDisk.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace {

using namespace velmora;

TEST(ActiveSkinTest, PrefersTheDeviceWindowThenTheDefaultThenTheFirstSkin)
{
    SkinManifest neon = SkinManifest::walkie();
    neon.name = "Neon";
    const std::vector<SkinManifest> loaded = {neon, SkinManifest::handheld()};
    EXPECT_EQ(ActiveSkin::choose(QString("Walkie MK-1"), "Neon", loaded), "Walkie MK-1");
    EXPECT_EQ(ActiveSkin::choose(std::nullopt, "Handheld v1", loaded), "Handheld v1");
    EXPECT_EQ(ActiveSkin::choose(std::nullopt, "Gone", loaded), "Neon");
    EXPECT_EQ(ActiveSkin::choose(std::nullopt, "Walkie MK-1", {}), "Walkie MK-1");
    EXPECT_EQ(ActiveSkin::choose(std::nullopt, "Gone", {}), "Handheld v1");
}

class PaletteBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(AppPaths::skinsDir()).removeRecursively();
        QJsonObject neon = velmora::test::minimalSkin("Neon");
        neon["palette"] = QJsonObject{{"foreground", "#00ff00"}, {"background", "#101010"}, {"cursor", "#ffaa00"}};
        velmora::test::writeFile(AppPaths::skinsDir() + "/neon/skin.json", velmora::test::toBytes(neon));
        SkinLoader::shared().loadAll();
        SettingsStore::shared().data() = SettingsData();
        SettingsStore::shared().save();
        settings.setDeviceSkinSource([this] { return deviceSkin; });
        browser = std::make_unique<PaletteBrowserView>(settings);
        browser->resize(620, 330);
        browser->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    }

    void TearDown() override { browser.reset(); }

    static SettingsData onDisk()
    {
        return SettingsData::decode(velmora::test::readFile(AppPaths::settingsFile())).value_or(SettingsData());
    }

    QListWidgetItem* row(const QString& id) const
    {
        QListWidget* list = browser->paletteList();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toString() == id)
                return list->item(i);
        }
        return nullptr;
    }

    QString selectedRow() const
    {
        const QList<QListWidgetItem*> selected = browser->paletteList()->selectedItems();
        return selected.isEmpty() ? QString() : selected.first()->data(Qt::UserRole).toString();
    }

    std::optional<QString> deviceSkin = QString("Neon");
    SettingsViewModel settings{SettingsStore::shared(), SkinLoader::shared()};
    std::unique_ptr<PaletteBrowserView> browser;
};

TEST_F(PaletteBrowserTest, ChoosingARowStoresAndAnnouncesThePalette)
{
    EXPECT_EQ(browser->skinName(), "Neon");
    EXPECT_EQ(selectedRow(), PaletteBrowserView::skinDefaultId);
    EXPECT_EQ(browser->paletteList()->count(), 87);
    EXPECT_EQ(browser->paletteList()->item(0)->text(), "Skin default");

    velmora::test::SettingsAnnouncements posted(SettingsStore::shared());
    browser->paletteList()->setCurrentItem(row("dracula"));
    EXPECT_EQ(SettingsStore::shared().data().paletteOverrides.value("Neon"), "dracula");
    EXPECT_EQ(onDisk().paletteOverrides.value("Neon"), "dracula");
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).signal, "paletteChanged");
    EXPECT_EQ(posted.at(0).skin, "Neon");
    EXPECT_EQ(browser->headerPaletteName(), "Dracula");
    EXPECT_EQ(browser->preview().background, QColor("#282a36"));
    EXPECT_EQ(browser->preview().ansi.size(), 16);

    browser->paletteList()->setCurrentItem(row(PaletteBrowserView::skinDefaultId));
    EXPECT_FALSE(SettingsStore::shared().data().paletteOverrides.contains("Neon"));
    EXPECT_FALSE(onDisk().paletteOverrides.contains("Neon"));
    ASSERT_EQ(posted.count(), 2);
    EXPECT_EQ(posted.at(1).skin, "Neon");
    EXPECT_EQ(browser->headerPaletteName(), "Skin default");
    EXPECT_EQ(browser->preview().foreground, QColor("#00ff00"));
    EXPECT_TRUE(browser->preview().ansi.isEmpty());
}

TEST_F(PaletteBrowserTest, ShuffleNeverRepeatsTheSelectedPalette)
{
    velmora::test::SettingsAnnouncements posted(SettingsStore::shared());
    QSet<QString> seen;
    QString previous;
    for (int i = 0; i < 30; ++i) {
        browser->shuffleButton()->click();
        const std::optional<QString> chosen = browser->currentOverrideId();
        ASSERT_TRUE(chosen);
        EXPECT_TRUE(CuratedPalettes::byId(*chosen));
        EXPECT_NE(*chosen, previous);
        EXPECT_EQ(SettingsStore::shared().data().paletteOverrides.value("Neon"), *chosen);
        EXPECT_EQ(selectedRow(), *chosen);
        previous = *chosen;
        seen.insert(*chosen);
    }
    EXPECT_EQ(posted.count(), 30);
    EXPECT_GT(seen.size(), 10);
}

TEST_F(PaletteBrowserTest, AStaleOverrideShowsTheSkinsOwnPalette)
{
    SettingsStore::shared().data().paletteOverrides.insert("Neon", "no-such-palette");
    browser->reload();
    EXPECT_EQ(browser->selection(), "no-such-palette");
    EXPECT_EQ(selectedRow(), QString());
    EXPECT_EQ(browser->headerPaletteName(), "Skin default");
    EXPECT_EQ(browser->preview().background, QColor("#101010"));
    browser->shuffle();
    EXPECT_TRUE(CuratedPalettes::byId(browser->selection()));
}

TEST_F(PaletteBrowserTest, SaveToSkinWritesUserSkinsAndRefusesBuiltInOnes)
{
    browser->setStatusClearDelay(std::chrono::milliseconds(300));
    browser->paletteList()->setCurrentItem(row("nord"));
    browser->saveButton()->click();
    EXPECT_EQ(browser->saveStatus(), "Saved ✓");
    const QJsonObject saved
        = QJsonDocument::fromJson(velmora::test::readFile(AppPaths::skinsDir() + "/neon/skin.json")).object();
    EXPECT_EQ(saved["palette"].toObject()["background"].toString().toLower(),
              CuratedPalettes::byId("nord")->background);
    EXPECT_EQ(SettingsStore::shared().data().paletteOverrides.value("Neon"), "nord") << "the settings stay";

    deviceSkin = SkinManifest::handheld().name;
    browser->reload();
    browser->saveButton()->click();
    EXPECT_EQ(browser->saveStatus(), "Can't save a built-in skin");
    QTRY_COMPARE(browser->saveStatus(), QString());
}

TEST_F(PaletteBrowserTest, TwoEqualStatusesClearWithTheFirst)
{
    deviceSkin = SkinManifest::handheld().name;
    browser->reload();
    constexpr std::chrono::milliseconds delay{400};
    browser->setStatusClearDelay(delay);
    browser->saveCurrentPalette();
    // A probe of the same delay started between the two saves runs after the
    // first save's timer and before the second's, however late a loaded
    // machine runs them: timers of one delay run in the order they started.
    std::optional<QString> atProbe;
    QTimer::singleShot(delay, Qt::PreciseTimer, browser.get(), [&] { atProbe = browser->saveStatus(); });
    browser->saveCurrentPalette();
    EXPECT_EQ(browser->saveStatus(), "Can't save a built-in skin");
    ASSERT_TRUE(QTest::qWaitFor([&] { return atProbe.has_value(); }, 10000));
    EXPECT_EQ(*atProbe, QString()) << "the second save restarted the delay";
}

TEST_F(PaletteBrowserTest, TheCursorWellSetsAndResetsTheSkinsCursor)
{
    EXPECT_EQ(browser->cursorColor(), QColor("#ffaa00"));
    EXPECT_FALSE(browser->resetButton()->isVisible());

    // A curated palette changes the sample's cursor, not the well's.
    browser->applySelection("dracula");
    EXPECT_EQ(browser->cursorColor(), QColor("#ffaa00"));
    EXPECT_EQ(browser->preview().cursor, QColor(CuratedPalettes::byId("dracula")->cursor));

    velmora::test::SettingsAnnouncements posted(SettingsStore::shared());
    browser->setCursorColor(QColor(255, 0, 128));
    EXPECT_TRUE(browser->isCursorOverridden());
    EXPECT_TRUE(browser->resetButton()->isVisible());
    EXPECT_EQ(browser->preview().cursor, QColor(255, 0, 128));
    EXPECT_EQ(onDisk().cursorOverrides.value("Neon"), "#FF0080");
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).skin, "Neon");

    browser->resetButton()->click();
    EXPECT_FALSE(browser->isCursorOverridden());
    EXPECT_FALSE(browser->resetButton()->isVisible());
    EXPECT_EQ(browser->cursorColor(), QColor("#ffaa00"));
    EXPECT_FALSE(onDisk().cursorOverrides.contains("Neon"));
    ASSERT_EQ(posted.count(), 2);
    EXPECT_EQ(posted.at(1).signal, "paletteChanged");
}

TEST_F(PaletteBrowserTest, FollowsTheSettingsOnResetAndTheFontSize)
{
    browser->applySelection("nord");
    SettingsStore::shared().data().fontSize = 6;
    EXPECT_DOUBLE_EQ(browser->sampleFontSize(), 9);
    SettingsStore::shared().data().fontSize = 14;
    EXPECT_DOUBLE_EQ(browser->sampleFontSize(), 14);

    SettingsStore::shared().resetAll();
    EXPECT_EQ(browser->selection(), PaletteBrowserView::skinDefaultId);
    EXPECT_EQ(selectedRow(), PaletteBrowserView::skinDefaultId);

    // With no device window the default skin is edited, when it is loaded.
    deviceSkin.reset();
    browser->reload();
    EXPECT_EQ(browser->skinName(), SettingsStore::shared().data().defaultSkin);
}

TEST(PaletteBrowserPreviewTest, ColoursFallBackAsTheyShould)
{
    SkinManifest skin = SkinManifest::handheld();
    skin.palette.cursor.reset();
    PaletteBrowserView::PreviewPalette colors = PaletteBrowserView::previewFor(std::nullopt, &skin, std::nullopt);
    EXPECT_EQ(colors.cursor, skin.palette.foreground);
    EXPECT_TRUE(colors.ansi.isEmpty());

    colors = PaletteBrowserView::previewFor(std::nullopt, nullptr, std::nullopt);
    EXPECT_EQ(colors.foreground, QColor(Qt::green));
    EXPECT_EQ(colors.background, QColor(Qt::black));
    EXPECT_EQ(colors.cursor, QColor(Qt::green));

    colors = PaletteBrowserView::previewFor(QString("gruvbox-dark"), &skin, QColor(Qt::red));
    EXPECT_EQ(colors.foreground, QColor(CuratedPalettes::byId("gruvbox-dark")->foreground));
    EXPECT_EQ(colors.cursor, QColor(Qt::red));
    EXPECT_EQ(colors.ansi.size(), 16);
}

} // namespace
