#include <QPainter>

#include "ViewFixture.h"
#include "corvel/qt/FontSet.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {
namespace {

using test::countNear;
using test::near;
using test::ViewFixture;

struct CellSizeCase {
    int pixelSize;
    double scale;
    QSizeF expected;
};

TEST(CellMetrics, CellSizeIsWholeDevicePixels)
{
    const std::vector<CellSizeCase> cases = {
        {12, 1, {8, 14}},
        {14, 1, {9, 17}},
        {20, 1, {13, 24}},
        {12, 2, {7.5, 14}},
        {14, 2, {8.5, 17}},
        {20, 2, {12.5, 24}},
    };
    for (const CellSizeCase& c : cases) {
        const FontSet fonts(test::testFont(c.pixelSize));
        EXPECT_EQ(fonts.computeCellDimension(c.scale), c.expected) << c.pixelSize << "px at " << c.scale;
    }
}

TEST(CellMetrics, PointSizesCountAsPixels)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(14);
    EXPECT_EQ(FontSet(font).computeCellDimension(1), QSizeF(9, 17));
}

struct GridCase {
    const char* name;
    int extraWidth; // beyond the scroller
    int height;
    int cols;
    int rows;
};

TEST_F(ViewFixture, GridFollowsTheWidgetSizeLessTheScroller)
{
    const std::vector<GridCase> cases = {
        {"exact", 9 * 100, 17 * 30, 100, 30},
        {"partial cells are dropped", 9 * 50 + 8, 17 * 10 + 16, 50, 10},
        {"one cell keeps the fewest columns", 9, 17, Terminal::MINIMUM_COLS, 1},
    };
    for (const GridCase& c : cases) {
        host.sizes.clear();
        view->resize(view->scrollerWidth() + c.extraWidth, c.height);
        EXPECT_EQ(terminal().cols, c.cols) << c.name;
        EXPECT_EQ(terminal().rows, c.rows) << c.name;
        ASSERT_FALSE(host.sizes.empty()) << c.name;
        EXPECT_EQ(host.sizes.back(), std::make_pair(c.cols, c.rows)) << c.name;
    }
}

TEST_F(ViewFixture, FrameNarrowerThanTheScrollerKeepsTheMinimumGrid)
{
    view->resize(view->scrollerWidth() / 2, 5);
    EXPECT_EQ(terminal().cols, Terminal::MINIMUM_COLS);
    EXPECT_EQ(terminal().rows, Terminal::MINIMUM_ROWS);
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), std::make_pair(Terminal::MINIMUM_COLS, Terminal::MINIMUM_ROWS));
}

TEST_F(ViewFixture, AGridBeyondTheTerminalsMostKeepsTheGridItHas)
{
    const std::vector<GridCase> cases = {
        {"too many columns", cellWidth * (Terminal::MAXIMUM_COLS + 1), cellHeight * 2, 80, 24},
        {"too many rows", cellWidth * 2, cellHeight * (Terminal::MAXIMUM_ROWS + 1), 80, 24},
    };
    for (const GridCase& c : cases) {
        view->resize(view->scrollerWidth() + c.extraWidth, c.height);
        EXPECT_EQ(terminal().cols, c.cols) << c.name;
        EXPECT_EQ(terminal().rows, c.rows) << c.name;
        EXPECT_TRUE(host.sizes.empty()) << c.name << ": the host heard " << host.sizes.back().first << "x"
                                        << host.sizes.back().second;
        EXPECT_FALSE(view->processSizeChange(view->size())) << c.name;
        host.sizes.clear();
    }
    // A grid within bounds is taken and reported again.
    resizeGrid(100, 30);
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), std::make_pair(100, 30));
}

TEST_F(ViewFixture, UnchangedGridNeitherResizesNorReports)
{
    EXPECT_FALSE(view->processSizeChange(view->size()));
    view->resize(view->width() + 3, view->height() + 2);
    EXPECT_TRUE(host.sizes.empty());
    EXPECT_EQ(terminal().cols, 80);
}

TEST_F(ViewFixture, FontChangeLeavesRoomForTheScrollerAndKeepsModes)
{
    view->feed("\x1b[4h"); // insert mode, which a soft reset would end
    ASSERT_TRUE(terminal().modes().insertMode);
    view->setTerminalFont(test::testFont(20));
    EXPECT_EQ(view->cellDimension(), QSizeF(13, 24));
    EXPECT_EQ(terminal().cols, (view->width() - view->scrollerWidth()) / 13);
    EXPECT_EQ(terminal().rows, view->height() / 24);
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), std::make_pair(terminal().cols, terminal().rows));
    EXPECT_TRUE(terminal().modes().insertMode);
}

TEST_F(ViewFixture, OptimalFrameSizeHoldsTheGridAndTheScroller)
{
    EXPECT_EQ(view->getOptimalFrameSize(), QSize(80 * cellWidth + view->scrollerWidth(), 24 * cellHeight));
}

TEST_F(ViewFixture, ScrollbackChange)
{
    const auto feedLines = [this](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "line\r\n";
        view->feed(text);
        flush();
    };
    Buffer& screen = terminal().normalBuffer();
    view->changeScrollback(std::nullopt);
    EXPECT_EQ(terminal().options.scrollback, 0);
    feedLines(100);
    // Nothing is kept above the screen: there is nowhere to scroll to.
    EXPECT_EQ(screen.yBase(), 0);
    EXPECT_FALSE(view->canScroll());
    view->scrollUp(10);
    EXPECT_EQ(screen.yDisp(), 0);

    host.scrolls.clear();
    view->changeScrollback(1000);
    EXPECT_EQ(terminal().options.scrollback, 1000);
    EXPECT_FALSE(host.scrolls.empty());
    feedLines(100);
    EXPECT_EQ(screen.yBase(), 100);
    EXPECT_TRUE(view->canScroll());
    view->scrollUp(10);
    EXPECT_EQ(screen.yDisp(), 90);
}

TEST_F(ViewFixture, ExplicitGridResizeReportsAndKeepsModes)
{
    view->feed("\x1b[4h");
    view->resizeGrid(40, 10);
    EXPECT_EQ(terminal().cols, 40);
    EXPECT_EQ(terminal().rows, 10);
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), std::make_pair(40, 10));
    EXPECT_TRUE(terminal().modes().insertMode);
}

TEST_F(ViewFixture, FontChangeDropsTheSelection)
{
    view->selection().setSelection({0, 0}, {5, 0});
    view->setTerminalFont(test::testFont(12));
    EXPECT_FALSE(view->selection().active());
}

// Full blocks take exactly the cell's colour, so they show colour mapping
// without glyph antialiasing in the way.
struct ColourCase {
    const char* name;
    const char* sgr;
    std::function<QColor(ViewFixture&)> expected;
};

class ViewColours : public ViewFixture {
public:
    QColor palette(int i) { return paletteColor(i); }
    QColor nativeFg() { return view->nativeForegroundColor(); }
    QColor nativeBg() { return view->nativeBackgroundColor(); }
};

TEST_F(ViewColours, SgrColoursReachThePixels)
{
    const std::vector<std::pair<const char*, std::pair<std::string, std::function<QColor()>>>> cases = {
        {"palette 1", {"\x1b[31m", [this] { return palette(1); }}},
        {"bold 1 is bright", {"\x1b[1;31m", [this] { return palette(9); }}},
        {"bold 7 stays", {"\x1b[1;37m", [this] { return palette(7); }}},
        {"256 colours", {"\x1b[38;5;196m", [this] { return palette(196); }}},
        {"true colour", {"\x1b[38;2;10;200;30m", [] { return QColor(10, 200, 30); }}},
        {"dim", {"\x1b[2;38;2;200;100;0;48;2;0;100;200m", [] { return QColor(100, 100, 100); }}},
        {"default", {"", [this] { return nativeFg(); }}},
    };
    int col = 0;
    std::string text;
    for (const auto& c : cases)
        text += "\x1b[0m" + c.second.first + "\xe2\x96\x88";
    view->feed(text);
    const QImage image = grab();
    for (const auto& c : cases) {
        const QRect r = cell(col++, 0);
        const QColor got = image.pixelColor(r.center());
        EXPECT_TRUE(near(got, c.second.second(), 1)) << c.first << ": " << got.name().toStdString();
        EXPECT_EQ(countNear(image, r, got, 0), r.width() * r.height()) << c.first;
    }
}

TEST_F(ViewColours, InverseAndBackgroundsFillWholeCells)
{
    view->feed("\x1b[7m \x1b[0m\x1b[41m \x1b[0m\x1b[48;2;1;2;3m \x1b[0m");
    const QImage image = grab();
    EXPECT_EQ(countNear(image, cell(0, 0), test::inverseOf(nativeBg()), 1), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(1, 0), palette(1), 1), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(2, 0), QColor(1, 2, 3), 1), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(5, 0), nativeBg(), 0), cellWidth * cellHeight); // past the caret
}

TEST_F(ViewColours, BackgroundReachingTheLastColumnFillsToTheScroller)
{
    view->feed("\x1b[24;80H\x1b[44m \x1b[0m");
    view->resize(view->width() + 5, view->height());
    const QImage image = grab();
    const int right = view->width() - view->scrollerWidth() - 1;
    EXPECT_TRUE(near(image.pixelColor(right, 23 * cellHeight + 8), palette(4), 1));
}

TEST_F(ViewColours, BoldTextUsesTheBoldFace)
{
    view->feed("\x1b[38;2;255;255;255mMMMM\x1b[1mMMMM");
    const QImage image = grab();
    const int regular = countNear(image, cell(0, 0, 4), Qt::white, 90);
    const int bold = countNear(image, cell(4, 0, 4), Qt::white, 90);
    EXPECT_GT(regular, 0);
    EXPECT_GT(bold, regular + regular / 5);
}

// Pixels of a clearly coloured picture: neither grey nor the text colour.
int colourfulPixels(const QImage& image, const QRect& rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.hsvSaturation() > 120 && c.value() > 120)
                ++count;
        }
    return count;
}

TEST_F(ViewColours, EmojiComeFromTheColourFontScaledToTheirTwoCells)
{
    if (!view->fontSet().emojiFont())
        GTEST_SKIP() << "no colour emoji font installed";
    // a, a grinning face over two cells, b; then a text-presentation smiley.
    view->feed("a\xf0\x9f\x98\x80"
               "b \xe2\x98\xba\xef\xb8\x8e");
    const QImage image = grab();
    const int picture = colourfulPixels(image, cell(1, 0, 2));
    EXPECT_GT(picture, cellWidth * cellHeight / 4);
    // Nothing of the picture reaches the neighbours.
    EXPECT_EQ(colourfulPixels(image, cell(0, 0)), 0);
    EXPECT_EQ(colourfulPixels(image, cell(3, 0)), 0);
    // The text presentation stays in the text colour.
    EXPECT_EQ(colourfulPixels(image, cell(5, 0)), 0);
}

TEST_F(ViewColours, FallbackGlyphsStayInsideTheirCells)
{
    // A combining enclosing circle is far wider than its cell.
    view->feed("\x1b[38;2;255;255;255m  e\xe2\x83\x9d  ");
    const QImage image = grab();
    ASSERT_GT(countNear(image, cell(2, 0), Qt::white, 120), 0) << "the cluster draws nothing";
    EXPECT_EQ(countNear(image, cell(1, 0), nativeBg(), 0), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(3, 0), nativeBg(), 0), cellWidth * cellHeight);
}

TEST_F(ViewColours, BrightColourSettingRepaintsCellsAlreadyDrawn)
{
    view->feed("\x1b[1;31m\xe2\x96\x88");
    EXPECT_TRUE(near(grab().pixelColor(cell(0, 0).center()), palette(9), 1));
    view->setUseBrightColors(false);
    EXPECT_TRUE(near(grab().pixelColor(cell(0, 0).center()), palette(1), 1));
}

TEST_F(ViewColours, NativeBackgroundIsStoredAsGivenAndPaintsEmptyCells)
{
    const QColor colour(12, 34, 56);
    view->setNativeBackgroundColor(colour);
    EXPECT_EQ(view->nativeBackgroundColor(), colour);
    EXPECT_EQ(terminal().backgroundColor(), toTerminalColor(colour));
    EXPECT_EQ(countNear(grab(), cell(10, 10), colour, 0), cellWidth * cellHeight);
}

// Rows of the cell holding any pixel of the colour.
int rowsWith(const QImage& image, const QRect& rect, const QColor& colour)
{
    int rows = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        rows += countNear(image, QRect(rect.left(), y, rect.width(), 1), colour, 10) > 0;
    return rows;
}

struct DecorationCase {
    const char* name;
    const char* sgr; // the rendition a program asks for, in red
    CharacterStyle style;
    UnderlineStyle underline;
    int rows; // rows holding the decoration
    bool fullLength; // one unbroken line across the cells
};

TEST_F(ViewFixture, UnderlinesAndStrikeThroughOnBlankCells)
{
    const std::vector<DecorationCase> cases = {
        {"single", "4", CharacterStyle::underline, UnderlineStyle::single, 1, true},
        {"double", "4:2", CharacterStyle::underline, UnderlineStyle::doubled, 2, true},
        {"dashed", "4:5", CharacterStyle::underline, UnderlineStyle::dashed, 1, false},
        {"dotted", "4:4", CharacterStyle::underline, UnderlineStyle::dotted, 1, false},
        {"curly", "4:3", CharacterStyle::underline, UnderlineStyle::curly, 3, false},
        {"strike-through", "9", CharacterStyle::crossedOut, UnderlineStyle::none, 1, true},
    };
    const QColor red(255, 0, 0);
    int row = 0;
    for (const DecorationCase& c : cases) {
        view->feed(std::string("\x1b[0;38;2;255;0;0;") + c.sgr + "m");
        EXPECT_EQ(
            terminal().currentAttribute(),
            Attribute(Attribute::Color::trueColor(255, 0, 0), Attribute::Color::defaultColor, c.style, c.underline))
            << c.name;
        view->feed("\x1b[" + std::to_string(row * 2 + 1) + ";1H    ");
        row++;
    }
    view->feed("\x1b[0m");
    const QImage image = grab();
    row = 0;
    for (const DecorationCase& c : cases) {
        const QRect band = cell(0, row * 2, 4);
        row++;
        EXPECT_GE(rowsWith(image, band, red), c.rows) << c.name;
        if (c.rows < 3) {
            EXPECT_EQ(rowsWith(image, band, red), c.rows) << c.name;
        }
        const int pixels = countNear(image, band, red, 10);
        if (c.fullLength) {
            EXPECT_EQ(pixels, band.width() * c.rows) << c.name;
        } else {
            EXPECT_LT(pixels, band.width() * c.rows) << c.name;
        }
        EXPECT_GT(pixels, 0) << c.name;
    }
}

TEST_F(ViewFixture, StackedFullBlocksJoinWithoutASeam)
{
    view->feed("\x1b[38;2;0;255;0m\xe2\x96\x88\r\n\xe2\x96\x88\r\n\xe2\x96\x88");
    const QImage image = grab();
    for (int y = 0; y < 3 * cellHeight; ++y)
        ASSERT_TRUE(near(image.pixelColor(4, y), QColor(0, 255, 0), 0)) << y;
}

TEST_F(ViewFixture, DoubleWidthLinesShowTheirFirstHalfAtTwiceTheWidth)
{
    view->feed("\x1b[38;2;0;255;0m\xe2\x96\x88 \xe2\x96\x88");
    Buffer& screen = terminal().buffer();
    screen.lines()[screen.yBase()].renderMode = BufferLine::RenderLineMode::doubleWidth;
    terminal().updateFullScreen();
    view->queuePendingDisplay();
    const QImage image = grab();
    const QColor green(0, 255, 0);
    EXPECT_EQ(countNear(image, cell(0, 0, 2), green, 0), 2 * cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(2, 0, 2), green, 0), 0);
    EXPECT_EQ(countNear(image, cell(4, 0, 2), green, 0), 2 * cellWidth * cellHeight);
}

TEST_F(ViewFixture, BoxDrawingReplacesTheFontGlyphUnlessSwitchedOff)
{
    view->feed("\x1b[38;2;255;255;255m\xe2\x94\x80\xe2\x94\x80"); // two light horizontals
    const QImage custom = grab();
    // One stroke row running unbroken across both cells.
    EXPECT_EQ(rowsWith(custom, cell(0, 0, 2), Qt::white), 1);
    EXPECT_EQ(countNear(custom, cell(0, 0, 2), Qt::white, 10), 2 * cellWidth);

    view->setCustomBlockGlyphs(false);
    EXPECT_NE(countNear(grab(), cell(0, 0, 2), Qt::white, 10), 2 * cellWidth);
}

TEST_F(ViewFixture, WideCharacterRowsBuildThreeSegments)
{
    view->feed("a\xe4\xb8\xad"
               "b"); // a, a wide CJK character, b
    Buffer& screen = terminal().buffer();
    const ViewLineInfo info = view->buildAttributedString(screen.yDisp(), screen.lines()[screen.yDisp()], 80);
    ASSERT_EQ(info.segments.size(), 3u);
    EXPECT_EQ(info.segments[0].column, 0);
    EXPECT_EQ(info.segments[0].columnWidth, 1);
    EXPECT_EQ(info.segments[1].column, 1);
    EXPECT_EQ(info.segments[1].columnWidth, 2);
    EXPECT_EQ(info.segments[2].column, 3);
    EXPECT_EQ(info.segments[2].glyphCount(), 77);
}

TEST_F(ViewFixture, SelectedColumnsOfARow)
{
    // Explicit selections (search hits) end exactly; a drag to the last
    // column covers it.
    struct Case {
        Position start, end;
        bool dragged;
        int row;
        std::optional<std::pair<int, int>> expected;
    };
    const std::vector<Case> cases = {
        {{10, 3}, {4, 3}, false, 3, std::pair(4, 10)},
        {{4, 3}, {79, 3}, false, 3, std::pair(4, 79)},
        {{4, 3}, {0, 4}, false, 3, std::pair(4, 80)},
        {{4, 3}, {0, 4}, false, 4, std::nullopt},
        {{4, 3}, {79, 3}, true, 3, std::pair(4, 80)},
        {{79, 3}, {4, 3}, true, 3, std::pair(4, 80)},
        {{5, 3}, {5, 3}, false, 3, std::nullopt},
        {{5, 2}, {7, 4}, false, 3, std::pair(0, 80)},
        {{5, 2}, {7, 4}, false, 2, std::pair(5, 80)},
        {{5, 2}, {7, 4}, false, 4, std::pair(0, 7)},
        {{5, 2}, {7, 4}, false, 5, std::nullopt},
    };
    for (const Case& c : cases) {
        if (c.dragged) {
            view->selection().setSoftStart(c.start);
            view->selection().startSelection();
            view->selection().dragExtend(c.end);
        } else {
            view->selection().setSelection(c.start, c.end);
        }
        EXPECT_EQ(view->selectedColumnsRange(c.row, 80), c.expected)
            << c.start << " " << c.end << (c.dragged ? " dragged" : "") << " row " << c.row;
    }
    view->selection().setActive(false);
    EXPECT_EQ(view->selectedColumnsRange(3, 80), std::nullopt);
}

TEST_F(ViewFixture, SelectedCellsShowTheSelectionBackground)
{
    view->setSelectedTextBackgroundColor(QColor(0, 0, 200));
    view->feed("hello");
    view->selection().setSelection({1, terminal().buffer().yDisp()}, {3, terminal().buffer().yDisp()});
    view->queuePendingDisplay();
    const QImage image = grab();
    EXPECT_GT(countNear(image, cell(1, 0, 2), QColor(0, 0, 200), 0), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(3, 0), QColor(0, 0, 200), 0), 0);
}

// A selection, a find hit among them, that ends on the row's last cell
// stops at that cell's edge: the room left between the last column and the
// scroller shows what the row has there without the selection.
TEST_F(ViewFixture, SelectionEndingOnTheLastColumnStopsAtItsEdge)
{
    struct Case {
        const char* name;
        const char* text; // written so that it ends on the last column
        std::function<void(TerminalView&)> select;
        std::function<QColor()> room;
    };
    const QColor selectionColour(0, 0, 200);
    const auto lastWord = [](TerminalView& v) {
        const int row = v.getTerminal().buffer().yDisp();
        v.selection().setSelection({75, row}, {80, row});
    };
    const std::vector<Case> cases = {
        {"a selected word", "\x1b[1;76Hwords", lastWord, [this] { return view->nativeBackgroundColor(); }},
        {"a find hit",
         "\x1b[1;75HNEEDLE",
         [](TerminalView& v) { ASSERT_TRUE(v.findNext("needle")); },
         [this] { return view->nativeBackgroundColor(); }},
        {"a selected word on a coloured line",
         "\x1b[1;76H\x1b[44mwords\x1b[0m",
         lastWord,
         [this] { return paletteColor(4); }},
    };
    view->setSelectedTextBackgroundColor(selectionColour);
    // Five pixels more than the grid takes.
    view->resize(view->width() + 5, view->height());
    for (const Case& c : cases) {
        view->feed("\x1b[2J\x1b[H");
        view->feed(c.text);
        view->feed("\x1b[5;1H"); // the caret out of the way
        view->selectNone();
        c.select(*view);
        ASSERT_TRUE(view->selectionActive()) << c.name;
        view->queuePendingDisplay();
        const QImage image = grab();
        const QRect lastCell = cell(79, 0);
        EXPECT_TRUE(near(image.pixelColor(lastCell.right(), lastCell.center().y()), selectionColour, 0)) << c.name;
        const QRect room(
            lastCell.right() + 1, 0, view->width() - view->scrollerWidth() - lastCell.right() - 1, cellHeight);
        ASSERT_EQ(room.width(), 5) << c.name;
        EXPECT_EQ(countNear(image, room, selectionColour, 0), 0)
            << c.name << ": the selection reaches past the last cell";
        EXPECT_EQ(countNear(image, room, c.room(), 1), room.width() * room.height()) << c.name;
    }
}

} // namespace
} // namespace corvel
