// Printing stamps the screen's hyperlink handle on every cell it writes.

#include <gtest/gtest.h>

#include <string_view>

#include "corvel/model/Buffer.h"

namespace corvel {
namespace {

std::span<const uint8_t> ascii(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class PrintPayload : public ::testing::Test {
protected:
    PrintPayload() : screen(6, 3, 8, 10)
    {
        screen.scroll = [](bool) {};
        screen.wraparound = true;
        screen.fillViewportRows();
    }
    uint16_t at(int col, int row) { return screen.lines()[row][col].payload.code; }
    Buffer screen;
};

TEST_F(PrintPayload, RunsAndCharactersCarryTheHandleWhileItIsSet)
{
    screen.insertAsciiRun(ascii("ab"), Attribute());
    screen.printPayload = TinyAtom{7};
    screen.insertAsciiRun(ascii("cdef"), Attribute()); // fills the row
    screen.insertCharacter(CharData(Attribute(), 0x4E00, 2)); // wraps
    screen.printPayload = TinyAtom{};
    screen.insertCharacter(CharData(Attribute(), 'z', 1));

    EXPECT_EQ(at(1, 0), 0);
    EXPECT_EQ(at(2, 0), 7);
    EXPECT_EQ(at(5, 0), 7);
    EXPECT_EQ(at(0, 1), 7); // the wide character
    EXPECT_EQ(at(1, 1), 7); // and the column it covers
    EXPECT_EQ(at(2, 1), 0);
}

} // namespace
} // namespace corvel
