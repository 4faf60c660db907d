#include <gtest/gtest.h>

#include "corvel/base/Position.h"

namespace corvel {
namespace {

using Order = Position::compareResult;

struct CompareCase {
    Position a;
    Position b;
    Order expected;
};

class PositionCompare : public ::testing::TestWithParam<CompareCase> {};

TEST_P(PositionCompare, OrdersByRowThenColumn)
{
    const CompareCase& c = GetParam();
    EXPECT_EQ(Position::compare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PositionCompare,
    ::testing::Values(CompareCase{{79, 1}, {0, 2}, Order::before}, // an earlier row wins over a larger column
                      CompareCase{{0, 2}, {79, 1}, Order::after}, CompareCase{{5, 3}, {4, 3}, Order::after},
                      CompareCase{{4, 3}, {5, 3}, Order::before}, CompareCase{{7, 7}, {7, 7}, Order::equal},
                      CompareCase{{0, -3}, {0, 0}, Order::before})); // rows may be negative (scrolled-back views)

TEST(Position, EqualityNeedsBothFields)
{
    EXPECT_EQ(Position(3, 4), Position(3, 4));
    EXPECT_NE(Position(3, 4), Position(4, 3));
    EXPECT_NE(Position(3, 4), Position(3, 5));
}

TEST(Position, DebugDescription) { EXPECT_EQ(Position(12, -1).debugDescription(), "col=12 row=-1"); }

} // namespace
} // namespace corvel
