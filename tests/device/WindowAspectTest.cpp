#include "device/WindowAspect.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

const QSizeF handheld(398, 555);

TEST(WindowAspectTest, HoldsWithinTheRoundingOfEitherSide)
{
    struct Row {
        const char* name;
        QSize size;
        QSizeF ratio;
        bool holds;
    };
    const Row rows[] = {
        {"design size", QSize(398, 555), handheld, true},
        {"height rounded down", QSize(600, 836), handheld, true},
        {"height rounded up", QSize(600, 837), handheld, true},
        {"two pixels short", QSize(600, 834), handheld, false},
        {"landscape against portrait", QSize(600, 400), handheld, false},
        {"any size without a ratio", QSize(600, 400), QSizeF(), true},
        {"a ratio without height", QSize(600, 400), QSizeF(300, 0), true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WindowAspect::holds(row.size, row.ratio), row.holds) << row.name;
}

TEST(WindowAspectTest, TheSideThatChangedMoreLeads)
{
    struct Row {
        const char* name;
        QSize from;
        QSize to;
        QSizeF ratio;
        QSize limit;
        QSize expected;
    };
    const QSize screen(1280, 1024);
    const Row rows[] = {
        {"wider: the width leads", QSize(398, 555), QSize(600, 560), handheld, screen, QSize(600, 837)},
        {"lower: the height leads", QSize(600, 836), QSize(600, 400), handheld, screen, QSize(287, 400)},
        {"both, the height more", QSize(287, 400), QSize(500, 900), handheld, screen, QSize(645, 900)},
        {"a tie: the width leads", QSize(400, 400), QSize(800, 800), handheld, QSize(), QSize(800, 1116)},
        {"no former size: the width leads", QSize(), QSize(199, 900), handheld, screen, QSize(199, 278)},
        {"too tall for the screen: fitted", QSize(398, 555), QSize(1000, 560), handheld, screen, QSize(734, 1024)},
        {"too wide for the screen: fitted",
         QSize(555, 398),
         QSize(2000, 400),
         QSizeF(555, 398),
         screen,
         QSize(1280, 918)},
        {"no limit", QSize(398, 555), QSize(1000, 560), handheld, QSize(), QSize(1000, 1394)},
        {"never below a pixel", QSize(398, 555), QSize(1, 0), handheld, screen, QSize(1, 1)},
        {"no ratio: as it is", QSize(398, 555), QSize(600, 400), QSizeF(), screen, QSize(600, 400)},
    };
    for (const Row& row : rows) {
        const QSize settled = WindowAspect::settle(row.from, row.to, row.ratio, row.limit);
        EXPECT_EQ(settled, row.expected) << row.name << ": " << settled.width() << " × " << settled.height();
    }
}

TEST(WindowAspectTest, HintFractionsAreWholeAndReduced)
{
    struct Row {
        const char* name;
        QSizeF ratio;
        std::pair<int, int> expected;
    };
    const Row rows[] = {
        {"whole numbers", handheld, {398, 555}},
        {"reduced", QSizeF(400, 600), {2, 3}},
        {"fractional", QSizeF(400.5, 600), {267, 400}},
        {"beyond the exact range", QSizeF(4e9, 2e9), {2, 1}},
        {"a thread", QSizeF(1, 1e9), {1, 100000}},
        {"empty", QSizeF(), {0, 0}},
        {"not finite", QSizeF(qInf(), 5), {0, 0}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WindowAspect::hintFraction(row.ratio), row.expected) << row.name;
}

} // namespace
} // namespace velmora
