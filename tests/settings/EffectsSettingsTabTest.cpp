#include "settings/EffectsSettingsTab.h"
#include "settings/SettingsViewModel.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "skin/SkinLoader.h"
#include "support/PinnedFolder.h"
#include "support/SettingsAnnouncements.h"
#include "support/SkinOnDisk.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace velmora;
using Outcome = EffectsSettingsTab::SaveOutcome;

class EffectsTabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(AppPaths::skinsDir()).removeRecursively();
        QJsonObject neon = velmora::test::minimalSkin("Neon");
        neon["effects"] = QJsonObject{{"glow", true}};
        neon["cornerRadius"] = 12;
        velmora::test::writeFile(skinFile(), velmora::test::toBytes(neon));
        SkinLoader::shared().loadAll();
        SettingsStore::shared().data() = SettingsData();
        SettingsStore::shared().save();
        settings.setDeviceSkinSource([this] { return deviceSkin; });
        tab = std::make_unique<EffectsSettingsTab>(settings);
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    }
    void TearDown() override { tab.reset(); }

    static QString skinFile() { return AppPaths::skinsDir() + "/neon/skin.json"; }
    static QJsonObject written() { return QJsonDocument::fromJson(velmora::test::readFile(skinFile())).object(); }
    static SettingsData onDisk()
    {
        return SettingsData::decode(velmora::test::readFile(AppPaths::settingsFile())).value_or(SettingsData());
    }

    std::optional<QString> deviceSkin = QString("Neon");
    SettingsViewModel settings{SettingsStore::shared(), SkinLoader::shared()};
    std::unique_ptr<EffectsSettingsTab> tab;
};

TEST_F(EffectsTabTest, EveryChangeIsStoredAndAnnouncedWithTheSkinsName)
{
    EXPECT_EQ(tab->selectedSkin(), "Neon");
    EXPECT_FALSE(tab->scanlineRows()->isVisible());
    velmora::test::SettingsAnnouncements posted(SettingsStore::shared());

    tab->scanlinesSwitch()->click();
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).signal, "effectsChanged");
    EXPECT_EQ(posted.at(0).skin, "Neon");
    SkinEffectsSettings expected;
    expected.scanlines = true;
    EXPECT_EQ(onDisk().skinEffects.value("Neon"), expected);
    EXPECT_TRUE(tab->scanlineRows()->isVisible());

    tab->scanlineIntensitySlider()->setValue(550);
    tab->scanlineIntensitySlider()->setValue(560);
    EXPECT_EQ(posted.count(), 3) << "every step of a slider";
    EXPECT_DOUBLE_EQ(onDisk().skinEffects.value("Neon").scanlineIntensity, 0.56);
    EXPECT_EQ(EffectsSettingsTab::valueText(0.3), "0.30");

    // Reset stores the defaults as the skin's entry; a second Reset stores nothing.
    tab->resetButton()->click();
    EXPECT_EQ(posted.count(), 4);
    EXPECT_TRUE(onDisk().skinEffects.contains("Neon"));
    EXPECT_EQ(onDisk().skinEffects.value("Neon"), SkinEffectsSettings());
    tab->resetButton()->click();
    EXPECT_EQ(posted.count(), 4);
}

TEST_F(EffectsTabTest, ShowingTheTabAgainTakesTheActiveSkinAndItsEffects)
{
    SkinEffectsSettings handheld;
    handheld.curvature = true;
    SettingsStore::shared().data().skinEffects.insert("Handheld v1", handheld);
    deviceSkin.reset(); // no device window: the default skin
    tab->hide();
    tab->show();
    EXPECT_EQ(tab->selectedSkin(), "Handheld v1");
    EXPECT_TRUE(tab->curvatureSwitch()->isChecked());
    EXPECT_TRUE(tab->curvatureRows()->isVisible());
}

TEST(EffectsSaveTest, TheEffectsObjectHoldsOnlyTheKeysOfSwitchesThatAreOn)
{
    struct Row {
        const char* what;
        std::function<void(SkinEffectsSettings&)> edit;
        QStringList keys;
        QJsonValue style;
    };
    const std::vector<Row> rows = {
        {"all off, even with a colour grade", [](SkinEffectsSettings& e) { e.colorGrade = "amber"; }, {}, {}},
        {"only glow", [](SkinEffectsSettings& e) { e.glow = true; }, {"glow", "glowIntensity"}, {}},
        {"standard scanlines",
         [](SkinEffectsSettings& e) { e.scanlines = true; },
         {"scanlineIntensity", "scanlines"},
         {}},
        {"rolling scanlines",
         [](SkinEffectsSettings& e) {
             e.scanlines = true;
             e.scanlineStyle = "rolling";
         },
         {"scanlineIntensity", "scanlineStyle", "scanlines"},
         "rolling"},
        {"curvature", [](SkinEffectsSettings& e) { e.curvature = true; }, {"curvature", "curvatureAmount"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SkinEffectsSettings effects;
        row.edit(effects);
        const QJsonObject object = EffectsSettingsTab::effectsObject(effects);
        EXPECT_EQ(object.keys(), row.keys);
        if (row.style.isString()) {
            EXPECT_EQ(object.value("scanlineStyle"), row.style);
        }
    }
}

TEST(EffectsSaveTest, FiveStatusTexts)
{
    const std::vector<std::pair<Outcome, QString>> rows = {
        {Outcome::saved, "\u2014 saved \u2713"},
        {Outcome::builtIn, "\u2014 can't save a built-in skin"},
        {Outcome::unreadable, "\u2014 couldn't read skin.json"},
        {Outcome::unencodable, "\u2014 couldn't encode skin.json"},
        {Outcome::writeFailed, "\u2014 write failed"},
    };
    for (const auto& [outcome, text] : rows)
        EXPECT_EQ(EffectsSettingsTab::statusText(outcome), text);
}

TEST_F(EffectsTabTest, SaveToSkinRewritesOnlyPaletteAndEffectsAndReloads)
{
    SkinEffectsSettings effects;
    effects.glow = true;
    effects.glowIntensity = 0.5;
    tab->glowSwitch()->click();
    tab->glowIntensitySlider()->setValue(500);
    QSignalSpy reloaded(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    tab->saveButton()->click();
    EXPECT_EQ(tab->saveStatus(), "\u2014 saved \u2713");
    EXPECT_EQ(tab->statusLabel()->text(), tab->saveStatus());
    EXPECT_EQ(reloaded.count(), 1);
    const QJsonObject file = written();
    EXPECT_EQ(file.value("effects").toObject(), QJsonObject({{"glow", true}, {"glowIntensity", 0.5}}));
    EXPECT_EQ(file.value("palette").toObject().value("foreground").toString(), "#00FF00");
    EXPECT_EQ(file.value("cornerRadius").toInt(), 12) << "other keys stay";
    EXPECT_TRUE(file.contains("buttons"));
    EXPECT_TRUE(file.contains("viewport"));
    const QByteArray bytes = velmora::test::readFile(skinFile());
    EXPECT_TRUE(bytes.contains("\n    \"")) << "pretty-printed";
    EXPECT_LT(bytes.indexOf("\"buttons\""), bytes.indexOf("\"viewport\"")) << "sorted keys";

    // All switches off removes the key.
    tab->resetButton()->click();
    EXPECT_EQ(tab->saveToSkin("Neon", tab->effects()), Outcome::saved);
    EXPECT_FALSE(written().contains("effects"));
}

TEST_F(EffectsTabTest, SaveToSkinRefusesBuiltInsUnreadableFilesAndReportsAFailedWrite)
{
    EXPECT_EQ(tab->saveToSkin("Handheld v1", {}), Outcome::builtIn);

    velmora::test::writeFile(AppPaths::skinsDir() + "/array/skin.json", "[1, 2]");
    EXPECT_EQ(tab->saveToSkin("Array", {}), Outcome::builtIn) << "no name, so no user skin";

    const QByteArray before = velmora::test::readFile(skinFile());
    {
        velmora::test::Pinned pin(AppPaths::skinsDir() + "/neon");
        if (!pin.pinned())
            GTEST_SKIP() << "this file system cannot pin a folder in place";
        SkinEffectsSettings effects;
        effects.glow = true;
        EXPECT_EQ(tab->saveToSkin("Neon", effects), Outcome::writeFailed);
    }
    EXPECT_EQ(velmora::test::readFile(skinFile()), before) << "the old file stays whole";
}

TEST_F(EffectsTabTest, SaveToSkinKeepsTheColoursOfASkinThatIsNotLoadedYet)
{
    // Copied in after the last scan: only the cursor override is known of
    // its palette, and the colours it needs to load must stay.
    QJsonObject late = velmora::test::minimalSkin("Late");
    late["palette"] = QJsonObject{{"foreground", "#112233"}, {"background", "#445566"}, {"cursor", "#000000"}};
    const QString lateFile = AppPaths::skinsDir() + "/late/skin.json";
    velmora::test::writeFile(lateFile, velmora::test::toBytes(late));
    SettingsStore::shared().data().cursorOverrides.insert("Late", "#abcdef");
    SkinEffectsSettings effects;
    effects.glow = true;

    EXPECT_EQ(tab->saveToSkin("Late", effects), Outcome::saved);
    const QJsonObject file = QJsonDocument::fromJson(velmora::test::readFile(lateFile)).object();
    EXPECT_EQ(file.value("palette").toObject(),
              (QJsonObject{{"foreground", "#112233"}, {"background", "#445566"}, {"cursor", "#ABCDEF"}}));
    EXPECT_TRUE(file.contains("effects"));
    const auto& skins = SkinLoader::shared().skins();
    EXPECT_TRUE(std::any_of(skins.begin(), skins.end(), [](const SkinManifest& s) { return s.name == "Late"; }))
        << "the saved skin must load";
}

TEST_F(EffectsTabTest, SaveToSkinNeverCallsAFileTheLoaderRefusesSaved)
{
    // A JSON object with a name is found by its name, yet it is no skin.
    const QString brokenFile = AppPaths::skinsDir() + "/broken/skin.json";
    velmora::test::writeFile(brokenFile, R"({"name": "Broken", "palette": {"foreground": "#ffffff"}})");
    SettingsStore::shared().data().paletteOverrides.insert("Broken", "dracula");
    const QByteArray before = velmora::test::readFile(brokenFile);
    QSignalSpy reloaded(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    SkinEffectsSettings effects;
    effects.curvature = true;

    EXPECT_EQ(tab->saveToSkin("Broken", effects), Outcome::unreadable);
    EXPECT_EQ(velmora::test::readFile(brokenFile), before);
    EXPECT_EQ(reloaded.count(), 0);
}

} // namespace
