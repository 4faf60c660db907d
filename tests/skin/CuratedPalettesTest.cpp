#include "skin/CuratedPalettes.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

bool isColourText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-f]{6}$"));
    return pattern.match(text).hasMatch();
}

TEST(CuratedPalettesTest, CatalogueHoldsEightySixWellFormedPalettes)
{
    const QList<CuratedPalette>& palettes = CuratedPalettes::all();
    ASSERT_EQ(palettes.size(), 86);

    static const QRegularExpression idPattern(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"));
    QSet<QString> ids;
    QSet<QString> names;
    for (const CuratedPalette& palette : palettes) {
        SCOPED_TRACE(palette.id.toStdString());
        EXPECT_TRUE(idPattern.match(palette.id).hasMatch());
        EXPECT_FALSE(palette.name.isEmpty());
        ids.insert(palette.id);
        names.insert(palette.name);
        EXPECT_TRUE(isColourText(palette.foreground)) << palette.foreground.toStdString();
        EXPECT_TRUE(isColourText(palette.background)) << palette.background.toStdString();
        EXPECT_TRUE(isColourText(palette.cursor)) << palette.cursor.toStdString();
        ASSERT_EQ(palette.ansi.size(), 16);
        for (const QString& colour : palette.ansi)
            EXPECT_TRUE(isColourText(colour)) << colour.toStdString();
        EXPECT_NE(palette.foreground, palette.background);
    }
    EXPECT_EQ(ids.size(), 86);
    EXPECT_EQ(names.size(), 86);
}

TEST(CuratedPalettesTest, OrderIsFixed)
{
    const QList<CuratedPalette>& palettes = CuratedPalettes::all();
    EXPECT_EQ(palettes.first().id, "solarized-dark");
    EXPECT_EQ(palettes[22].id, "c64");
    EXPECT_EQ(palettes[57].id, "gameboy-dmg");
    EXPECT_EQ(palettes.last().id, "starlight");
    EXPECT_EQ(&palettes, &CuratedPalettes::all());
}

TEST(CuratedPalettesTest, NamesKeepTheirSpecialCharacters)
{
    EXPECT_EQ(CuratedPalettes::byId("rose-pine")->name, QStringLiteral("Ros\u00e9 Pine"));
    EXPECT_EQ(CuratedPalettes::byId("synthwave")->name, "Synthwave '84");
    EXPECT_EQ(CuratedPalettes::byId("dark-plus")->name, "Dark+ (VS Code)");
    EXPECT_EQ(CuratedPalettes::byId("ink-paper")->name, "Ink & Paper");
}

TEST(CuratedPalettesTest, LookupIsExactAndCaseSensitive)
{
    const auto nord = CuratedPalettes::byId("nord");
    ASSERT_TRUE(nord.has_value());
    EXPECT_EQ(nord->name, "Nord");
    EXPECT_EQ(nord->background, "#2e3440");

    for (const char* id : {"Nord", "", "nord ", "solarized", "NORD"})
        EXPECT_FALSE(CuratedPalettes::byId(id).has_value()) << id;
}

TEST(CuratedPalettesTest, RandomNeverReturnsTheExcludedPalette)
{
    QSet<QString> seen;
    for (int i = 0; i < 2000; ++i) {
        const CuratedPalette palette = CuratedPalettes::random(QStringLiteral("solarized-dark"));
        ASSERT_NE(palette.id, "solarized-dark");
        seen.insert(palette.id);
    }
    // Uniform over 85 palettes: 2000 draws miss one with probability far below 1e-6.
    EXPECT_EQ(seen.size(), 85);
}

TEST(CuratedPalettesTest, RandomWithoutOrWithAnUnknownExclusionCoversAll)
{
    for (const std::optional<QString>& excluded : {std::optional<QString>(), std::optional<QString>("no-such-id")}) {
        QSet<QString> seen;
        for (int i = 0; i < 2000; ++i)
            seen.insert(CuratedPalettes::random(excluded).id);
        EXPECT_EQ(seen.size(), 86);
    }
}

} // namespace
