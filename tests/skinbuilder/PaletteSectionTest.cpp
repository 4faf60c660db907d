#include "skinbuilder/PaletteSection.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/PalettePresetPicker.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <gtest/gtest.h>

#include "skin/HexColor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <set>

namespace velmora {
namespace {

class PaletteSectionTest : public ::testing::Test {
protected:
    bool shown(QWidget* widget) const { return widget->isVisibleTo(&section); }

    SkinBuilderModel model{SkinLoader::shared()};
    PaletteSection section{model, PaletteSection::defaultAnsiLabels()};
};

CuratedPalette samplePalette()
{
    CuratedPalette palette;
    palette.id = QStringLiteral("sample");
    palette.name = QStringLiteral("Sample");
    palette.foreground = QStringLiteral("#112233");
    palette.background = QStringLiteral("#445566");
    palette.cursor = QStringLiteral("#778899");
    for (int i = 0; i < 16; ++i)
        palette.ansi << QStringLiteral("#0000%1").arg(i * 16, 2, 16, QLatin1Char('0'));
    return palette;
}

TEST_F(PaletteSectionTest, ApplyingAPaletteWritesEachFieldInOrder)
{
    // Which field each change brought, in order.
    QStringList changes;
    QColor fg = model.fgColor(), bg = model.bgColor();
    std::optional<QColor> cursor = model.cursorColor();
    auto ansi = model.ansiColors();
    auto id = model.lastShuffledId();
    QObject::connect(&model, &SkinBuilderModel::changed, [&] {
        QStringList fields;
        if (model.fgColor() != fg)
            fields << QStringLiteral("fg");
        if (model.bgColor() != bg)
            fields << QStringLiteral("bg");
        if (model.cursorColor() != cursor)
            fields << QStringLiteral("cursor");
        if (model.ansiColors() != ansi)
            fields << QStringLiteral("ansi");
        if (model.lastShuffledId() != id)
            fields << QStringLiteral("id");
        changes << fields.join(u'+');
        fg = model.fgColor(), bg = model.bgColor(), cursor = model.cursorColor(), ansi = model.ansiColors();
        id = model.lastShuffledId();
    });
    const CuratedPalette palette = samplePalette();
    PaletteSection::applyCuratedPalette(model, palette);
    EXPECT_EQ(changes, (QStringList{"fg", "bg", "cursor", "ansi", "id"}));
    EXPECT_EQ(model.fgColor(), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(model.bgColor(), QColor(0x44, 0x55, 0x66));
    EXPECT_EQ(model.cursorColor(), QColor(0x77, 0x88, 0x99));
    ASSERT_TRUE(model.ansiColors());
    EXPECT_EQ(model.ansiColors()->size(), 16u);
    EXPECT_EQ((*model.ansiColors())[15], QColor(0, 0, 0xf0));
    EXPECT_EQ(model.lastShuffledId(), QStringLiteral("sample"));
}

TEST_F(PaletteSectionTest, ColourTextsThatDoNotParseAreAbsorbed)
{
    const QColor fg = model.fgColor();
    const QColor bg = model.bgColor();
    model.setCursorColor(QColor(1, 2, 3));
    CuratedPalette broken = samplePalette();
    broken.foreground = QStringLiteral("green");
    broken.background = QStringLiteral("#12345");
    broken.cursor = QStringLiteral("nope");
    broken.ansi[3] = QStringLiteral("#zzzzzz");
    PaletteSection::applyCuratedPalette(model, broken);
    EXPECT_EQ(model.fgColor(), fg);
    EXPECT_EQ(model.bgColor(), bg);
    EXPECT_FALSE(model.cursorColor()) << "the cursor follows the foreground";
    EXPECT_EQ((*model.ansiColors())[3], QColor(Qt::black));
    EXPECT_EQ(section.cursorWell()->color(), fg);
    EXPECT_FALSE(shown(section.resetCursorButton()));

    CuratedPalette empty = samplePalette();
    empty.ansi.clear();
    PaletteSection::applyCuratedPalette(model, empty);
    ASSERT_TRUE(model.ansiColors()) << "a present, empty override";
    EXPECT_TRUE(model.ansiColors()->empty());
    section.setAnsiPickersShown(true);
    EXPECT_TRUE(shown(section.clearAnsiButton()));
    EXPECT_EQ(section.ansiWell(0)->color(), QColor(Qt::black));
}

TEST_F(PaletteSectionTest, ShuffleNeverAppliesTheSamePaletteTwiceInARow)
{
    std::set<QString> seen;
    std::optional<QString> previous;
    for (int i = 0; i < 60; ++i) {
        section.shuffleButton()->click();
        ASSERT_TRUE(model.lastShuffledId());
        EXPECT_NE(model.lastShuffledId(), previous);
        previous = model.lastShuffledId();
        seen.insert(*previous);
        EXPECT_EQ(PalettePresetPicker::currentName(previous), CuratedPalettes::byId(*previous)->name);
    }
    EXPECT_GT(seen.size(), 10u);
    const CuratedPalette current = *CuratedPalettes::byId(*previous);
    EXPECT_EQ(model.fgColor(), *HexColor::parse(current.foreground));
}

TEST_F(PaletteSectionTest, AnAnsiWellCreatesASixteenEntryOverridePaddedWithBlack)
{
    section.setAnsiPickersShown(true);
    EXPECT_FALSE(shown(section.clearAnsiButton()));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(section.ansiWell(i)->color(), QColor(Qt::black)) << i;
    section.ansiWell(1)->choose(QColor(200, 10, 10));
    ASSERT_TRUE(model.ansiColors());
    ASSERT_EQ(model.ansiColors()->size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ((*model.ansiColors())[size_t(i)], i == 1 ? QColor(200, 10, 10) : QColor(Qt::black)) << i;
    EXPECT_TRUE(shown(section.clearAnsiButton()));

    // A shorter override shows black past its end and is padded on change.
    model.setAnsiColors(std::vector<QColor>{QColor(1, 1, 1), QColor(2, 2, 2)});
    EXPECT_EQ(section.ansiWell(1)->color(), QColor(2, 2, 2));
    EXPECT_EQ(section.ansiWell(5)->color(), QColor(Qt::black));
    section.ansiWell(9)->choose(QColor(9, 9, 9));
    ASSERT_EQ(model.ansiColors()->size(), 16u);
    EXPECT_EQ((*model.ansiColors())[0], QColor(1, 1, 1));
    EXPECT_EQ((*model.ansiColors())[9], QColor(9, 9, 9));
    EXPECT_EQ((*model.ansiColors())[10], QColor(Qt::black));

    section.clearAnsiButton()->click();
    EXPECT_FALSE(model.ansiColors());
    EXPECT_FALSE(shown(section.clearAnsiButton()));
    EXPECT_EQ(section.ansiWell(9)->color(), QColor(Qt::black));
}

TEST_F(PaletteSectionTest, TheCursorWellFollowsTheForegroundUntilSet)
{
    EXPECT_EQ(section.cursorWell()->color(), model.fgColor());
    EXPECT_FALSE(shown(section.resetCursorButton()));
    section.cursorWell()->choose(QColor(250, 200, 0));
    EXPECT_EQ(model.cursorColor(), QColor(250, 200, 0));
    EXPECT_TRUE(shown(section.resetCursorButton()));
    section.resetCursorButton()->click();
    EXPECT_FALSE(model.cursorColor());
    EXPECT_FALSE(shown(section.resetCursorButton()));
    section.foregroundWell()->choose(QColor(0, 0, 255));
    EXPECT_EQ(model.fgColor(), QColor(0, 0, 255));
    EXPECT_EQ(section.cursorWell()->color(), QColor(0, 0, 255));
    section.backgroundWell()->choose(QColor(9, 8, 7));
    EXPECT_EQ(model.bgColor(), QColor(9, 8, 7));
}

TEST(PalettePresetPickerTest, FiltersNamesIgnoringCaseButNotIds)
{
    EXPECT_EQ(PalettePresetPicker::filtered(QString()), CuratedPalettes::all());
    const CuratedPalette& first = CuratedPalettes::all().front();
    const QString part = first.name.mid(1, 3);
    const QList<CuratedPalette> lower = PalettePresetPicker::filtered(part.toLower());
    EXPECT_EQ(PalettePresetPicker::filtered(part.toUpper()), lower);
    EXPECT_TRUE(lower.contains(first));
    for (const CuratedPalette& palette : lower)
        EXPECT_TRUE(palette.name.contains(part, Qt::CaseInsensitive)) << palette.name.toStdString();
    EXPECT_TRUE(PalettePresetPicker::filtered(QStringLiteral("no palette is called this")).isEmpty());

    // Ids are not searched: an id with a "-" that no name holds finds nothing.
    const auto unnamed
        = std::find_if(CuratedPalettes::all().begin(), CuratedPalettes::all().end(), [](const CuratedPalette& palette) {
              return palette.id.contains(u'-') && !palette.name.contains(u'-');
          });
    ASSERT_NE(unnamed, CuratedPalettes::all().end());
    EXPECT_FALSE(PalettePresetPicker::filtered(unnamed->id).contains(*unnamed));
    // The query is not trimmed: one blank keeps only names with a blank.
    for (const CuratedPalette& palette : PalettePresetPicker::filtered(QStringLiteral(" ")))
        EXPECT_TRUE(palette.name.contains(u' '));
}

TEST(PalettePresetPickerTest, NamesTheCurrentPaletteOrPresets)
{
    EXPECT_EQ(PalettePresetPicker::currentName(std::nullopt), QStringLiteral("Presets"));
    EXPECT_EQ(PalettePresetPicker::currentName(QStringLiteral("no-such-palette")), QStringLiteral("Presets"));
    const CuratedPalette& third = CuratedPalettes::all().at(2);
    EXPECT_EQ(PalettePresetPicker::currentName(third.id), third.name);
}

TEST_F(PaletteSectionTest, PickingFromThePopupAppliesMarksAndClosesIt)
{
    PalettePresetPicker* picker = section.presetPicker();
    picker->setOpen(true);
    EXPECT_TRUE(picker->isOpen());
    EXPECT_EQ(picker->list()->palettes(), CuratedPalettes::all());
    EXPECT_EQ(picker->list()->currentRow(), -1);

    picker->filterField()->setText(QString());
    QTest::keyClicks(picker->filterField(), CuratedPalettes::all().at(4).name.toUpper());
    EXPECT_EQ(picker->query(), CuratedPalettes::all().at(4).name.toUpper());
    ASSERT_FALSE(picker->list()->palettes().isEmpty());
    const CuratedPalette chosen = picker->list()->palettes().front();
    picker->list()->pick(0);
    EXPECT_FALSE(picker->isOpen());
    EXPECT_EQ(model.lastShuffledId(), chosen.id);
    EXPECT_EQ(picker->current(), chosen.id);

    // Reopened, the filter stays and the picked palette is marked.
    picker->setOpen(true);
    EXPECT_EQ(picker->filterField()->text(), picker->query());
    EXPECT_EQ(picker->list()->palettes().at(picker->list()->currentRow()).id, chosen.id);

    // Picking the current one again overwrites colours edited since.
    model.setFgColor(QColor(1, 2, 3));
    picker->list()->pick(picker->list()->currentRow());
    EXPECT_EQ(model.fgColor(), *HexColor::parse(chosen.foreground));
}

} // namespace
} // namespace velmora
