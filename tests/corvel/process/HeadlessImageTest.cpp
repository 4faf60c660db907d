// Picture programs run inside a headless terminal on a pseudo-terminal: the
// child asks its questions and gets the terminal's answers, and the pictures
// it writes end up as strips on the lines they cover.

#include "corvel/process/HeadlessTerminal.h"

#include "ProcessTestSupport.h"
#include "corvel/images/ImageTestSupport.h"

#include "corvel/images/PngDecoder.h"
#include "corvel/model/Buffer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace corvel;
using namespace corvel::testing;

namespace {

// The file a program is found at on PATH, or nothing.
std::optional<std::string> findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string candidate = rest.substr(0, colon) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            break;
        rest.erase(0, colon + 1);
    }
    return std::nullopt;
}

struct Rgb {
    int r, g, b;
};

// The test picture: four quadrants of plain colours, 40 × 30 pixels.
constexpr int pictureWidth = 40;
constexpr int pictureHeight = 30;
constexpr Rgb topLeft{255, 0, 0};
constexpr Rgb topRight{0, 255, 0};
constexpr Rgb bottomLeft{0, 0, 255};
constexpr Rgb bottomRight{255, 255, 255};

std::vector<std::uint8_t> quadrantPixels()
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < pictureHeight; ++y) {
        for (int x = 0; x < pictureWidth; ++x) {
            const bool left = x < pictureWidth / 2;
            const Rgb c = y < pictureHeight / 2 ? (left ? topLeft : topRight) : (left ? bottomLeft : bottomRight);
            pixels.insert(pixels.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b), 255});
        }
    }
    return pixels;
}

bool writePng(const std::string& file, int width, int height, const std::vector<std::uint8_t>& rgba)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, file.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

std::vector<std::uint8_t> readFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A headless terminal that also keeps everything the child wrote and every
// reply the terminal sent back.
class RecordingHeadless : public HeadlessTerminal {
public:
    using HeadlessTerminal::HeadlessTerminal;
    using HeadlessTerminal::send;

    std::vector<std::uint8_t> written;
    std::string replies;

    void dataReceived(std::span<const std::uint8_t> slice) override
    {
        written.insert(written.end(), slice.begin(), slice.end());
        HeadlessTerminal::dataReceived(slice);
    }

    void send(Terminal& source, std::span<const std::uint8_t> data) override
    {
        replies.append(reinterpret_cast<const char*>(data.data()), data.size());
        HeadlessTerminal::send(source, data);
    }
};

Rgb pixelAt(const HeadlessTerminal::Image& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {image.bytes[at], image.bytes[at + 1], image.bytes[at + 2]};
}

::testing::AssertionResult near(Rgb actual, Rgb expected, int tolerance)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance
        && std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.r << "," << actual.g << "," << actual.b << ") is not near ("
                                         << expected.r << "," << expected.g << "," << expected.b << ")";
}

class HeadlessImageTest : public ::testing::Test {
protected:
    static constexpr int cols = 40;
    static constexpr int rows = 12;

    HeadlessImageTest()
    {
        folder = makeTempDir();
        picture = folder + "/pic.png";
        pictureWritten = writePng(picture, pictureWidth, pictureHeight, quadrantPixels());
        TerminalOptions options;
        options.cols = cols;
        options.rows = rows;
        headless = std::make_unique<RecordingHeadless>(loop, options, [this](auto code) { ended = code; });
    }

    ~HeadlessImageTest() override
    {
        headless.reset();
        if (!folder.empty())
            std::filesystem::remove_all(folder);
    }

    // Runs the program on the terminal's pty until it exits (bounded).
    void run(const std::string& executable, const std::vector<std::string>& args)
    {
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(pictureWritten);
        headless->process().startProcess(executable, args);
        ASSERT_GT(headless->process().shellPid(), 0);
        ASSERT_TRUE(loop.runUntil([&] { return ended.has_value(); }, 30s)) << executable << " did not finish";
        ASSERT_EQ(*ended, std::optional<std::int32_t>(0)) << executable << " failed";
    }

    std::pair<int, int> cursor()
    {
        Buffer& screen = headless->terminal().buffer();
        return {screen.x(), screen.y()};
    }

    // The strips of one picture sit on consecutive screen rows from
    // firstRow on, one per row, at column 0, all cut from the same picture
    // and together covering its whole height. Returns the number of rows.
    int checkStrips(int firstRow)
    {
        const std::vector<HeadlessTerminal::ShownStrip> strips = headless->imageStrips();
        if (strips.empty()) {
            ADD_FAILURE() << "no strips";
            return 0;
        }
        const int yBase = headless->terminal().buffer().yBase();
        const auto& first = strips.front();
        for (std::size_t i = 0; i < strips.size(); ++i) {
            const HeadlessTerminal::ShownStrip& s = strips[i];
            EXPECT_EQ(s.line - yBase, firstRow + static_cast<int>(i)) << "strip " << i;
            EXPECT_EQ(s.strip->col(), 0) << "strip " << i;
            EXPECT_EQ(s.strip->pixelHeight(), HeadlessTerminal::cellHeight) << "strip " << i;
            EXPECT_EQ(s.picture, first.picture) << "strip " << i;
            EXPECT_DOUBLE_EQ(s.strip->sourceTop, i * first.strip->sourceHeight) << "strip " << i;
        }
        const auto& last = strips.back();
        EXPECT_GE(last.strip->sourceTop + last.strip->sourceHeight, last.strip->contentHeight);
        EXPECT_LT(last.strip->sourceTop, last.strip->contentHeight);
        return static_cast<int>(strips.size());
    }

    // The picture shows the four quadrants of the test picture, within a
    // tolerance for scaling and palettes.
    void checkQuadrants(const HeadlessTerminal::Image& image)
    {
        ASSERT_EQ(image.bytes.size(), static_cast<std::size_t>(image.width) * image.height * 4);
        const int w = image.width;
        const int h = image.height;
        EXPECT_TRUE(near(pixelAt(image, w / 4, h / 4), topLeft, 24));
        EXPECT_TRUE(near(pixelAt(image, 3 * w / 4, h / 4), topRight, 24));
        EXPECT_TRUE(near(pixelAt(image, w / 4, 3 * h / 4), bottomLeft, 24));
        EXPECT_TRUE(near(pixelAt(image, 3 * w / 4, 3 * h / 4), bottomRight, 24));
    }

    RunLoopExecutor loop;
    std::optional<std::optional<std::int32_t>> ended;
    std::unique_ptr<RecordingHeadless> headless;
    std::string folder;
    std::string picture;
    bool pictureWritten = false;
};

#define REQUIRE_PROGRAM(variable, name)                                                                                \
    const std::optional<std::string> variable = findProgram(name);                                                     \
    if (!variable)                                                                                                     \
    GTEST_SKIP() << name << " is not installed"

// The first Kitty command's keys, e.g. "s" → "64" for "\e_Ga=T,s=64,...".
std::optional<int> kittyKey(const std::vector<std::uint8_t>& written, const std::string& key)
{
    const std::string text(written.begin(), written.end());
    const auto start = text.find("\x1b_G");
    if (start == std::string::npos)
        return std::nullopt;
    const auto end = text.find_first_of(";\x1b", start + 3);
    const std::string keys = "," + text.substr(start + 3, end - start - 3) + ",";
    const auto at = keys.find("," + key + "=");
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(keys.c_str() + at + key.size() + 2);
}

// The raster size of the first Sixel picture ("\"Pan;Pad;Ph;Pv").
std::optional<std::pair<int, int>> sixelRaster(const std::vector<std::uint8_t>& written)
{
    const std::string text(written.begin(), written.end());
    const auto raster = text.find('"');
    int pan = 0, pad = 0, width = 0, height = 0;
    if (raster == std::string::npos
        || std::sscanf(text.c_str() + raster, "\"%d;%d;%d;%d", &pan, &pad, &width, &height) != 4)
        return std::nullopt;
    return std::pair{width, height};
}

int rowsFor(int pixels) { return (pixels + HeadlessTerminal::cellHeight - 1) / HeadlessTerminal::cellHeight; }

// Programs run from a shell that first prints a line, so that the picture
// starts on the second row, under the cursor.
std::vector<std::string> afterOneLine(const std::string& executable, std::initializer_list<std::string> args)
{
    std::vector<std::string> shell{"-c", "printf 'above\\n'; exec \"$0\" \"$@\"", executable};
    shell.insert(shell.end(), args);
    return shell;
}

TEST_F(HeadlessImageTest, ChafaKittyPictureIsStoredAtItsSizeAndSitsUnderTheCursor)
{
    REQUIRE_PROGRAM(chafa, "chafa");
    run("/bin/sh", afterOneLine(*chafa, {"-f", "kitty", "--size", "8x4", picture}));

    // No error reply: the terminal answers a transmission without an id only
    // when it fails.
    EXPECT_EQ(headless->replies, "");
    const std::optional<int> width = kittyKey(headless->written, "s");
    const std::optional<int> height = kittyKey(headless->written, "v");
    const std::optional<int> pictureCols = kittyKey(headless->written, "c");
    const std::optional<int> pictureRows = kittyKey(headless->written, "r");
    ASSERT_TRUE(width && height && pictureCols && pictureRows);
    EXPECT_LE(*pictureCols, 8);
    EXPECT_LE(*pictureRows, 4);

    const auto pictures = headless->pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->width, *width);
    EXPECT_EQ(pictures[0]->height, *height);
    checkQuadrants(*pictures[0]);

    EXPECT_EQ(checkStrips(1), *pictureRows);
    const auto strips = headless->imageStrips();
    ASSERT_FALSE(strips.empty());
    EXPECT_EQ(strips[0].picture, pictures[0]);
    EXPECT_EQ(strips[0].strip->pixelWidth(), *pictureCols * HeadlessTerminal::cellWidth);
    EXPECT_EQ(strips[0].strip->kittyCols, *pictureCols);
    // The cursor went to the row under the picture, then chafa's line feed.
    EXPECT_EQ(cursor(), (std::pair{0, 1 + *pictureRows + 1}));
    EXPECT_EQ(headless->screenText().substr(0, 6), "above\n");
}

TEST_F(HeadlessImageTest, TimgKittyPngIsDecodedAtItsSizeAndSitsUnderTheCursor)
{
    REQUIRE_PROGRAM(timg, "timg");
    run("/bin/sh", afterOneLine(*timg, {"-pk", "-g", "8x4", picture}));

    // timg asks for the background colour; nothing else comes back, and no
    // graphics reply at all.
    EXPECT_EQ(headless->replies.find("\x1b_G"), std::string::npos) << headless->replies;
    const std::string written(headless->written.begin(), headless->written.end());
    ASSERT_NE(written.find("f=100"), std::string::npos) << "timg no longer sends PNG";

    // Encoded pictures are not bitmaps from the terminal; the strips carry the
    // decoded pixels at the PNG's own size (timg does not enlarge).
    ASSERT_EQ(headless->pictures().size(), 1u) << "one picture, held once by its strips";
    const auto strips = headless->imageStrips();
    ASSERT_FALSE(strips.empty());
    const HeadlessTerminal::Image& shown = *strips[0].picture;
    EXPECT_EQ(shown.width, pictureWidth);
    EXPECT_EQ(shown.height, pictureHeight);
    checkQuadrants(shown);

    const int pictureRows = rowsFor(pictureHeight);
    EXPECT_EQ(checkStrips(1), pictureRows);
    EXPECT_EQ(strips[0].strip->pixelWidth(), pictureWidth);
    EXPECT_EQ(cursor(), (std::pair{0, 1 + pictureRows + 1}));
}

TEST_F(HeadlessImageTest, PictureNearTheBottomScrollsTheScreenAndKeepsItsStrips)
{
    REQUIRE_PROGRAM(chafa, "chafa");
    const std::string fill
        = "i=0; while [ $i -lt " + std::to_string(rows - 1) + " ]; do printf 'line %d\\n' $i; i=$((i+1)); done";
    run("/bin/sh", {"-c", fill + "; exec \"$0\" \"$@\"", *chafa, "-f", "kitty", "--size", "8x4", picture});

    EXPECT_EQ(headless->replies, "");
    const std::optional<int> pictureRows = kittyKey(headless->written, "r");
    ASSERT_TRUE(pictureRows);
    ASSERT_GE(*pictureRows, 2);
    // The picture started on the last row; the screen scrolled so that all
    // of it, the row the cursor moved to after it and chafa's line feed fit.
    EXPECT_EQ(checkStrips(rows - 2 - *pictureRows), *pictureRows);
    EXPECT_EQ(cursor(), (std::pair{0, rows - 1}));
    const std::string text = headless->screenText();
    EXPECT_EQ(text.find("line 0\n"), std::string::npos);
    EXPECT_NE(text.find("line " + std::to_string(rows - 2) + "\n"), std::string::npos);
}

class HeadlessSixelTest : public HeadlessImageTest {
protected:
    // Runs the program, then checks what the terminal made of its Sixel
    // output against the size it announced and against sixel2png's
    // decoding of the same bytes.
    void checkSixel(const std::string& executable, std::initializer_list<std::string> args)
    {
        ASSERT_NO_FATAL_FAILURE(run("/bin/sh", afterOneLine(executable, args)));
        EXPECT_EQ(headless->replies, "");
        const std::optional<std::pair<int, int>> raster = sixelRaster(headless->written);
        ASSERT_TRUE(raster);
        const auto [width, height] = *raster;

        const auto pictures = headless->pictures();
        ASSERT_EQ(pictures.size(), 1u);
        const HeadlessTerminal::Image& shown = *pictures[0];
        EXPECT_EQ(shown.width, width);
        EXPECT_EQ(shown.height, height);
        checkQuadrants(shown);

        const int pictureRows = rowsFor(height);
        EXPECT_EQ(checkStrips(1), pictureRows);
        const auto strips = headless->imageStrips();
        ASSERT_FALSE(strips.empty());
        EXPECT_EQ(strips[0].picture->bytes, shown.bytes);
        EXPECT_EQ(strips[0].strip->pixelWidth(), width);
        EXPECT_EQ(cursor(), (std::pair{0, 1 + pictureRows}));

        compareWithReference(shown);
    }

    void compareWithReference(const HeadlessTerminal::Image& shown)
    {
        const std::optional<std::string> sixel2png = findProgram("sixel2png");
        if (!sixel2png)
            return;
        // Only the Sixel sequence itself, as the program wrote it.
        const std::string written(headless->written.begin(), headless->written.end());
        const auto start = written.find("\x1bP");
        const auto end = written.find("\x1b\\", start);
        ASSERT_NE(start, std::string::npos);
        ASSERT_NE(end, std::string::npos);
        const std::string sixelFile = folder + "/out.six";
        const std::string pngFile = folder + "/out.png";
        std::ofstream(sixelFile, std::ios::binary) << written.substr(start, end + 2 - start);
        const std::string command
            = "timeout 20 '" + *sixel2png + "' -i '" + sixelFile + "' -o '" + pngFile + "' </dev/null >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        std::optional<RgbaBitmap> reference = PngDecoder::decodeToRgba(readFile(pngFile));
        ASSERT_TRUE(reference);
        ASSERT_EQ(reference->width, shown.width);
        ASSERT_EQ(reference->height, shown.height);
        int mismatches = 0;
        int compared = 0;
        for (std::size_t i = 0; i + 3 < shown.bytes.size(); i += 4) {
            if (shown.bytes[i + 3] == 0)
                continue; // never painted: the reference shows its background there
            ++compared;
            for (std::size_t channel = 0; channel < 3; ++channel) {
                const int ours = shown.bytes[i + channel];
                const int theirs = reference->bytes[i + channel];
                if (std::abs(ours - theirs) > 1 && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel " << i / 4 << " channel " << channel << ": " << ours << " vs " << theirs;
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GE(compared, shown.width * shown.height / 2);
    }
};

TEST_F(HeadlessSixelTest, ChafaSixelsMatchTheReferenceDecoder)
{
    REQUIRE_PROGRAM(chafa, "chafa");
    checkSixel(*chafa, {"-f", "sixels", "--size", "8x4", picture});
}

TEST_F(HeadlessSixelTest, Img2sixelMatchesTheReferenceDecoder)
{
    REQUIRE_PROGRAM(img2sixel, "img2sixel");
    checkSixel(*img2sixel, {picture});
}

// In-process: what the terminal hands the headless host without a child.
class HeadlessImageHostTest : public HeadlessImageTest {
protected:
    void feed(const std::string& bytes) { headless->terminal().parser().parse(bytesOf(bytes)); }
};

TEST_F(HeadlessImageHostTest, ReportsTheCellSizePicturesAreLaidOutWith)
{
    feed("\x1b[16t\x1b[14t");
    EXPECT_EQ(headless->replies,
              "\x1b[6;" + std::to_string(HeadlessTerminal::cellHeight) + ";"
                  + std::to_string(HeadlessTerminal::cellWidth) + "t" + "\x1b[4;"
                  + std::to_string(rows * HeadlessTerminal::cellHeight) + ";"
                  + std::to_string(cols * HeadlessTerminal::cellWidth) + "t");
}

TEST_F(HeadlessImageHostTest, InlineFileHonoursItsCellSizeRequest)
{
    const std::vector<std::uint8_t> png = makePng(pictureWidth, pictureHeight, quadrantPixels());
    feed("ab\x1b]1337;File=inline=1;width=6:" + base64(png) + "\a");
    const auto strips = headless->imageStrips();
    // 6 cells wide keeps the 4:3 aspect: 60 × 45 pixels, three rows.
    ASSERT_EQ(strips.size(), 3u);
    EXPECT_EQ(strips[0].line, 0);
    EXPECT_EQ(strips[0].strip->col(), 2);
    EXPECT_EQ(strips[0].strip->pixelWidth(), 60);
    EXPECT_EQ(strips[0].picture->width, pictureWidth);
    checkQuadrants(*strips[0].picture);
    ASSERT_EQ(headless->pictures().size(), 1u) << "three strips, one picture";
    EXPECT_EQ(headless->pictures()[0], strips[0].picture);
}

TEST_F(HeadlessImageHostTest, UndecodablePngShowsNothing)
{
    std::vector<std::uint8_t> png = makePng(pictureWidth, pictureHeight, quadrantPixels());
    png.resize(png.size() / 2); // the image data is cut off
    feed("\x1b]1337;File=inline=1:" + base64(png) + "\a");
    EXPECT_TRUE(headless->imageStrips().empty());
    EXPECT_EQ(cursor(), (std::pair{0, 0}));
}

} // namespace
