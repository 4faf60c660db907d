#include "core/SettingsData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace velmora {

void PrintTo(const SettingsData& data, std::ostream* out) { *out << data.encode().toStdString(); }

} // namespace velmora

namespace {

using namespace velmora;

SkinEffectsSettings someEffects() { return SkinEffectsSettings{true, 0.7, "heavy", true, 0.55, true, 0.25, "amber"}; }

SettingsData everythingSet()
{
    SettingsData data;
    data.fontName = "DejaVu Sans Mono";
    data.fontSize = 13.5;
    data.defaultShell = "/bin/bash";
    data.defaultSkin = "Walkie";
    data.restoreWindows = false;
    data.hasLaunchedBefore = true;
    data.lastWindows = {WindowState{"handheld", "Handheld v1", 10, 20, 640, 480},
                        WindowState{"walkie", "Walkie", -5.25, 0.1 + 0.2, 300, 700}};
    data.skinEffects = {{"Walkie", someEffects()}, {"Handheld v1", SkinEffectsSettings()}};
    data.cursorOverrides = {{"Walkie", "#FF7F00"}};
    data.paletteOverrides = {{"Walkie", "nord"}, {"Rosé", "dracula"}};
    return data;
}

const char* const effectsJson =
    R"({"scanlines": true, "scanlineIntensity": 0.7, "scanlineStyle": "heavy", "glow": true,
        "glowIntensity": 0.55, "curvature": true, "curvatureAmount": 0.25, "colorGrade": "amber"})";

struct ReadCase {
    const char* name;
    std::string json;
    std::function<void(SettingsData&)> expectedChanges;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

std::string effectsWithout(const char* key)
{
    QJsonObject object = QJsonDocument::fromJson(effectsJson).object();
    object.remove(key);
    return QJsonDocument(object).toJson().toStdString();
}

class TolerantRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TolerantRead, ReadsWhatItCanAndKeepsDefaultsForTheRest)
{
    const ReadCase& c = GetParam();
    SettingsData expected;
    if (c.expectedChanges)
        c.expectedChanges(expected);

    const auto read = SettingsData::decode(QByteArray::fromStdString(c.json));

    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    SettingsData, TolerantRead,
    ::testing::Values(
        ReadCase{"EmptyObject", "{}", nullptr},
        ReadCase{"FontSizeAsString", R"({"fontSize": "12"})", nullptr},
        ReadCase{"FontSizeAsNumber", R"({"fontSize": 12})", [](SettingsData& d) { d.fontSize = 12.0; }},
        ReadCase{"BooleanGivenAsNumber", R"({"restoreWindows": 0, "hasLaunchedBefore": 1})", nullptr},
        ReadCase{"NullsKeepDefaults",
                 R"({"fontName": null, "fontSize": null, "defaultShell": null, "defaultSkin": null,
                     "restoreWindows": null, "hasLaunchedBefore": null, "lastWindows": null,
                     "skinEffects": null, "cursorOverrides": null, "paletteOverrides": null})",
                 nullptr},
        ReadCase{"WrongTypesDoNotSpreadToOtherKeys",
                 R"({"fontName": 5, "defaultSkin": "Walkie", "lastWindows": {}, "skinEffects": [],
                     "cursorOverrides": "x", "hasLaunchedBefore": true})",
                 [](SettingsData& d) {
                     d.defaultSkin = "Walkie";
                     d.hasLaunchedBefore = true;
                 }},
        ReadCase{"UnknownKeysKeptAside", R"({"theme": "dark", "fontSize": 10})",
                 [](SettingsData& d) {
                     d.fontSize = 10;
                     d.otherKeys.insert("theme", "dark");
                 }},
        ReadCase{"WindowWithOnlyAnId", R"({"lastWindows": [{"id": "walkie"}]})",
                 [](SettingsData& d) { d.lastWindows = {WindowState{"walkie", "", 0, 0, 0, 0}}; }},
        ReadCase{"WindowMembersReadOneByOne",
                 R"({"lastWindows": [{"id": 3, "skinName": "Walkie", "x": "1", "y": 2, "width": null, "height": 90}]})",
                 [](SettingsData& d) { d.lastWindows = {WindowState{"", "Walkie", 0, 2, 0, 90}}; }},
        ReadCase{"DamagedWindowEntryDroppedAlone", R"({"lastWindows": [{"id": "walkie"}, 5, null, {"id": "handheld"}]})",
                 [](SettingsData& d) {
                     d.lastWindows = {WindowState{"walkie", "", 0, 0, 0, 0}, WindowState{"handheld", "", 0, 0, 0, 0}};
                 }},
        ReadCase{"EffectsEntryLackingAKeyDroppedAlone",
                 std::string(R"({"skinEffects": {"Good": )") + effectsJson + R"(, "Bad": )"
                     + effectsWithout("colorGrade") + "}}",
                 [](SettingsData& d) { d.skinEffects = {{"Good", someEffects()}}; }},
        ReadCase{"EffectsEntryWithWrongTypeDropped",
                 std::string(R"({"skinEffects": {"Good": )") + effectsJson
                     + R"(, "Bad": {"scanlines": "yes", "scanlineIntensity": 0.3, "scanlineStyle": "standard",
                        "glow": false, "glowIntensity": 0.4, "curvature": false, "curvatureAmount": 0.15,
                        "colorGrade": "none"}, "Worse": 7}})",
                 [](SettingsData& d) { d.skinEffects = {{"Good", someEffects()}}; }},
        ReadCase{"EffectsEntryWithExtraMemberKept",
                 std::string(R"({"skinEffects": {"Good": )") + effectsWithout("nothing").insert(1, R"("extra": 1, )")
                     + "}}",
                 [](SettingsData& d) { d.skinEffects = {{"Good", someEffects()}}; }},
        ReadCase{"EffectsStringsStoredUnchecked",
                 R"({"skinEffects": {"S": {"scanlines": false, "scanlineIntensity": 0.3, "scanlineStyle": "zigzag",
                     "glow": false, "glowIntensity": 0.4, "curvature": false, "curvatureAmount": 0.15,
                     "colorGrade": "purple"}}})",
                 [](SettingsData& d) {
                     SkinEffectsSettings effects;
                     effects.scanlineStyle = "zigzag";
                     effects.colorGrade = "purple";
                     d.skinEffects = {{"S", effects}};
                 }},
        ReadCase{"OverrideWithNumberValueDroppedAlone",
                 R"({"cursorOverrides": {"Walkie": 5, "Handheld v1": "#00FF00"},
                     "paletteOverrides": {"Walkie": null, "Handheld v1": "nord", "X": ["dracula"]}})",
                 [](SettingsData& d) {
                     d.cursorOverrides = {{"Handheld v1", "#00FF00"}};
                     d.paletteOverrides = {{"Handheld v1", "nord"}};
                 }}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(SettingsDataTest, OnlyAJsonObjectIsReadable)
{
    for (const char* text :
         {"[]", "[{}]", "\"settings\"", "null", "12", "", "   ", "{", "{\"fontSize\": 12,}", "\xff\xfe"})
        EXPECT_FALSE(SettingsData::decode(text).has_value()) << "input: " << text;
}

TEST(SettingsDataTest, EverythingRoundTrips)
{
    const SettingsData data = everythingSet();
    const auto read = SettingsData::decode(data.encode());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, data);
    EXPECT_EQ(read->lastWindows[1].y, 0.1 + 0.2);
}

TEST(SettingsDataTest, WritesEveryKeyEvenAtDefaults)
{
    SettingsData data;
    data.lastWindows = {WindowState{}};
    data.skinEffects = {{"Walkie", SkinEffectsSettings()}};
    const QJsonObject top = QJsonDocument::fromJson(data.encode()).object();

    EXPECT_EQ(top.keys(),
              QStringList({"cursorOverrides",
                           "defaultShell",
                           "defaultSkin",
                           "fontName",
                           "fontSize",
                           "hasLaunchedBefore",
                           "lastWindows",
                           "paletteOverrides",
                           "restoreWindows",
                           "skinEffects"}));
    EXPECT_EQ(top["lastWindows"].toArray()[0].toObject().keys(),
              QStringList({"height", "id", "skinName", "width", "x", "y"}));
    EXPECT_EQ(top["skinEffects"]["Walkie"].toObject().size(), 8);
    EXPECT_EQ(top["defaultShell"], QJsonValue(""));
}

TEST(SettingsDataTest, TextIsPrettyPrintedWithSortedKeys)
{
    const QString text = QString::fromUtf8(everythingSet().encode());

    EXPECT_GT(text.count('\n'), 30);
    const QStringList order = {"\"cursorOverrides\"",
                               "\"defaultShell\"",
                               "\"defaultSkin\"",
                               "\"fontName\"",
                               "\"fontSize\"",
                               "\"hasLaunchedBefore\"",
                               "\"lastWindows\"",
                               "\"paletteOverrides\"",
                               "\"restoreWindows\"",
                               "\"skinEffects\""};
    qsizetype previous = -1;
    for (const QString& key : order) {
        const qsizetype at = text.indexOf(key);
        EXPECT_GT(at, previous) << key.toStdString();
        previous = at;
    }
    EXPECT_LT(text.indexOf("\"height\""), text.indexOf("\"skinName\""));
    EXPECT_LT(text.indexOf("\"skinName\""), text.indexOf("\"x\""));
}

TEST(SettingsDataTest, NonFiniteNumberDoesNotBreakTheFile)
{
    SettingsData data;
    data.fontSize = std::numeric_limits<double>::infinity();
    data.lastWindows = {WindowState{"walkie", "Walkie", std::numeric_limits<double>::quiet_NaN(), 1, 2, 3}};

    const auto read = SettingsData::decode(data.encode());

    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->lastWindows.size(), 1);
    EXPECT_EQ(read->lastWindows[0].id, "walkie");
}

TEST(SkinEffectsSettingsTest, EqualityComparesEveryField)
{
    EXPECT_EQ(SkinEffectsSettings(), SkinEffectsSettings());
    SkinEffectsSettings changed;
    changed.curvatureAmount = 0.150000001;
    EXPECT_NE(changed, SkinEffectsSettings());
    changed = SkinEffectsSettings();
    changed.colorGrade = "None";
    EXPECT_NE(changed, SkinEffectsSettings());
}

} // namespace
