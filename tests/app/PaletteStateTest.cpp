#include "app/PaletteState.h"

#include "PaletteTestSupport.h"
#include "app/MainMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using namespace velmora;
using Kind = PaletteEntry::Kind;
using test::skinNamed;

QStringList titles(const std::vector<PaletteEntry>& entries)
{
    QStringList list;
    for (const PaletteEntry& entry : entries)
        list << entry.title;
    return list;
}

const QStringList fixedTitles{"New Tab", "Cycle Skin", "Open Skin Picker", "Settings\u2026"};

TEST(PaletteStateTest, ListsSkinsThenSessionsThenTheFixedEntries)
{
    PaletteState state;
    state.setSelectedIndex(3);
    state.setQuery("keep");
    state.reload({skinNamed("Amber"), skinNamed("Zinc")}, 2);
    EXPECT_EQ(titles(state.allEntries()), QStringList({"Amber", "Zinc", "Session 1", "Session 2"}) + fixedTitles);
    EXPECT_EQ(state.selectedIndex(), 0);
    EXPECT_EQ(state.query(), "keep");

    const auto& entries = state.allEntries();
    EXPECT_EQ(entries[0].subtitle, "Skin");
    EXPECT_EQ(entries[0].icon, "paintbrush.fill");
    EXPECT_EQ(entries[1].action, (PaletteEntry::Action{Kind::changeSkin, "Zinc"}));
    EXPECT_EQ(entries[3].subtitle, "Terminal tab");
    EXPECT_EQ(entries[3].icon, "terminal");
    EXPECT_EQ(entries[3].action, (PaletteEntry::Action{Kind::switchSession, {}, 1}));
    EXPECT_EQ(entries[4].subtitle, "Ctrl+Shift+T");
    EXPECT_EQ(entries[4].action.kind, Kind::newSession);
    EXPECT_EQ(entries[5].action.kind, Kind::cycleSkin);
    EXPECT_EQ(entries[6].action.kind, Kind::openSkinPicker);
    EXPECT_EQ(entries[7].icon, "gear");
    EXPECT_EQ(entries[7].action.kind, Kind::openSettings);

    std::set<QUuid> ids;
    for (const PaletteEntry& entry : entries)
        ids.insert(entry.id);
    EXPECT_EQ(ids.size(), entries.size());
    const QUuid firstId = entries[0].id;
    state.reload({skinNamed("Amber"), skinNamed("Zinc")}, 2);
    EXPECT_NE(state.allEntries()[0].id, firstId);
}

TEST(PaletteStateTest, WithoutAnchorOrSkinsOffersTheBuiltInSkinsAndFixedEntries)
{
    PaletteState state;
    state.reload({}, std::nullopt);
    EXPECT_EQ(titles(state.allEntries()),
              QStringList({SkinManifest::handheld().name, SkinManifest::walkie().name}) + fixedTitles);
}

// The fixed entries do what menu items do, under the keys the menu gives
// them: the palette reads them from the menu's table.
TEST(PaletteStateTest, FixedEntriesShowTheKeysOfTheMenuItemsThatDoTheSame)
{
    const auto menuItem = [](const char* name) -> const MainMenu::Item* {
        for (const MainMenu::Item& item : MainMenu::items()) {
            if (item.name && QLatin1String(item.name) == QLatin1String(name))
                return &item;
        }
        return nullptr;
    };
    struct Case {
        Kind kind;
        const char* menuItem;
        bool sameTitle; // the palette names it as the menu does
    };
    const Case cases[] = {
        {Kind::newSession, "newSession", true},
        {Kind::cycleSkin, "cycleSkin", true},
        {Kind::openSkinPicker, "showSkinPicker", false},
        {Kind::openSettings, "showSettings", false},
    };
    PaletteState state;
    state.reload({skinNamed("Amber")}, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menuItem);
        const MainMenu::Item* item = menuItem(c.menuItem);
        ASSERT_NE(item, nullptr);
        ASSERT_FALSE(item->keys.isEmpty());
        const auto entry = std::find_if(state.allEntries().begin(),
                                        state.allEntries().end(),
                                        [&](const PaletteEntry& e) { return e.action.kind == c.kind; });
        ASSERT_NE(entry, state.allEntries().end());
        EXPECT_EQ(entry->subtitle, item->keys.front().toString(QKeySequence::PortableText));
        if (c.sameTitle) {
            EXPECT_EQ(entry->title, item->title);
        }
    }
}

struct RankCase {
    const char* query;
    QStringList expected;
};

TEST(PaletteStateTest, RanksEntriesForTheQuery)
{
    PaletteState state;
    state.reload({skinNamed("Handheld v1"), skinNamed("Skinny"), skinNamed("Walkie MK-1")}, 1);
    const QStringList all = titles(state.allEntries());
    const std::vector<RankCase> cases = {
        {"", all},
        {"  ", all},
        {"\t", all},
        {"cyc", {"Cycle Skin"}},
        {"SKIN", {"Skinny", "Cycle Skin", "Open Skin Picker"}},
        {"  skin\t", {"Skinny", "Cycle Skin", "Open Skin Picker"}},
        {"ns", {"Settings\u2026", "Open Skin Picker"}},
        {"nt", {"New Tab"}},
        {"xyz", {}},
        {"\n", {}},
    };
    for (const RankCase& c : cases) {
        state.setQuery(c.query);
        EXPECT_EQ(titles(state.results()), c.expected) << c.query;
    }
}

TEST(PaletteStateTest, ScoresPrefixSubstringAndSubsequence)
{
    struct Case {
        const char* query;
        QString target;
        int score;
    };
    const Case cases[] = {
        {"cyc", "cycle skin", 1000},
        {"skin", "cycle skin", 500},
        {"skin", "open skin picker", 500},
        {"ns", "settings\u2026", 291},
        {"ns", "new session", 289},
        {"ns", "open skin picker", 284},
        {"", "anything", 0},
        {"xyz", "cycle skin", 0},
        {"ab", "a" + QString(198, 'x') + "b", 100},
        {"ab", "a" + QString(197, 'x') + "b", 101},
        {"e\u0301", "cafe\u0301 x", 500},
        // A base letter is not the start of the same letter with an accent.
        {"ce", "cafe\u0301", 0},
        {"\U0001F600x", "a\U0001F600bx", 296},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaletteState::fuzzyScore(c.query, c.target), c.score) << c.query << " in " << c.target.toStdString();
}

TEST(PaletteStateTest, EqualScoresKeepListOrder)
{
    PaletteState state;
    state.reload({skinNamed("Twin"), skinNamed("Twin")}, 10);
    state.setQuery("Session 1");
    EXPECT_EQ(titles(state.results()), QStringList({"Session 1", "Session 10"}));
    state.setQuery("twin");
    const auto results = state.results();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_NE(results[0].id, results[1].id);
    EXPECT_EQ(results[0].action, results[1].action);
}

} // namespace
