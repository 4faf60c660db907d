// Pictures written by other programs that speak the Kitty graphics protocol
// or Sixel, fed through a terminal: they must land on the expected lines, be
// stored at the size they were sent and leave no error reply.

#include "KittyTestHost.h"

#include "corvel/images/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace corvel::test {
namespace {

bool programAvailable(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The standard output of a shell command, or nothing when it fails.
std::optional<std::vector<uint8_t>> run(const std::string& command)
{
    FILE* pipe = popen((command + " </dev/null 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::vector<uint8_t> out;
    uint8_t chunk[4096];
    size_t n = 0;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    if (pclose(pipe) != 0)
        return std::nullopt;
    return out;
}

// A 16 × 12 picture of colour steps that Sixel palettes keep apart, written
// to a fresh folder.
class ImagePeerTest : public KittyTerminalFixture, public ::testing::Test {
protected:
    static constexpr int pictureWidth = 16;
    static constexpr int pictureHeight = 12;

    ImagePeerTest()
    {
        folder = std::filesystem::temp_directory_path()
            / ("velmora-peers-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        std::vector<uint8_t> pixels;
        for (int y = 0; y < pictureHeight; ++y)
            for (int x = 0; x < pictureWidth; ++x)
                pixels.insert(pixels.end(),
                              {uint8_t(x < 8 ? 255 : 0), uint8_t(y < 6 ? 255 : 0), uint8_t(x % 4 < 2 ? 200 : 40), 255});
        picture = (folder / "pic.png").string();
        const std::vector<uint8_t> png = testing::makePng(pictureWidth, pictureHeight, pixels);
        std::ofstream(picture, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    ~ImagePeerTest() override { std::filesystem::remove_all(folder); }

    std::vector<uint8_t> output(const std::string& program, const std::string& arguments)
    {
        std::optional<std::vector<uint8_t>> out = run(program + " " + arguments);
        EXPECT_TRUE(out) << program << " failed";
        return out.value_or(std::vector<uint8_t>{});
    }

    std::filesystem::path folder;
    std::string picture;
};

#define REQUIRE_PROGRAM(name)                                                                                          \
    if (!programAvailable(name))                                                                                       \
    GTEST_SKIP() << name << " is not installed"

TEST_F(ImagePeerTest, ChafaKittyPictureSitsUnderTheCursor)
{
    REQUIRE_PROGRAM("chafa");
    moveTo(2, 1);
    terminal.feed(output("chafa", "-f kitty --size 4x3 '" + picture + "'"));
    EXPECT_EQ(replies(), "");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_FALSE(host.shown[0].encoded);
    // The program sends the pixels it scaled to, and says how many cells
    // they cover; each covered row holds one strip at the starting column.
    const std::vector<PlacedStrip> strips = stripsOn(terminal.buffer());
    ASSERT_FALSE(strips.empty());
    const int rows = static_cast<int>(strips.size());
    for (int i = 0; i < rows; ++i) {
        EXPECT_EQ(strips[static_cast<size_t>(i)].line, 1 + i);
        EXPECT_EQ(strips[static_cast<size_t>(i)].strip->col(), 2);
        EXPECT_EQ(strips[static_cast<size_t>(i)].strip->kittyCols, strips[0].strip->kittyCols);
    }
    // After the picture: right of it on the row below, then the program's
    // own line feed.
    EXPECT_EQ(cursor(), (std::pair{2 + static_cast<int>(strips[0].strip->kittyCols), 1 + rows + 1}));
}

TEST_F(ImagePeerTest, TimgKittyPictureSitsUnderTheCursor)
{
    REQUIRE_PROGRAM("timg");
    terminal.feed(output("timg", "-pk -g20x10 '" + picture + "'"));
    EXPECT_EQ(replies(), "");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_TRUE(host.shown[0].encoded);
    EXPECT_EQ(host.shown[0].width, pictureWidth);
    EXPECT_EQ(host.shown[0].height, pictureHeight);
    // 16 × 12 pixels on 10 × 20 cells: 2 columns, 1 row.
    const std::vector<PlacedStrip> strips = stripsOn(terminal.buffer());
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].line, 0);
    EXPECT_EQ(strips[0].strip->pixelWidth(), pictureWidth);
    EXPECT_EQ(cursor().second, 2);
}

TEST_F(ImagePeerTest, KittyTransmissionWithAnIdIsStoredAtItsSize)
{
    REQUIRE_PROGRAM("chafa");
    std::vector<uint8_t> out = output("chafa", "-f kitty --size 4x3 '" + picture + "'");
    // Give the first command an id so that the picture is kept.
    const std::string text(out.begin(), out.end());
    const size_t keys = text.find("a=T,");
    ASSERT_NE(keys, std::string::npos);
    terminal.feed(text.substr(0, keys) + "i=31," + text.substr(keys));
    EXPECT_EQ(replies(), "\x1b_Gi=31;OK\x1b\\");
    ASSERT_TRUE(store().imagesById.contains(31));
    const KittyGraphicsPayload& stored = store().imagesById.at(31).payload;
    EXPECT_EQ(stored.kind, KittyGraphicsPayload::Kind::rgba);
    EXPECT_EQ(stored.byteSize(), int64_t{stored.width} * stored.height * 4);
    EXPECT_EQ(host.shown.at(0).width, stored.width);
}

class SixelPeerTest : public ImagePeerTest {
protected:
    void checkSixel(const std::string& program, const std::string& arguments, int expectedWidth, int expectedHeight)
    {
        const std::vector<uint8_t> sixel = output(program, arguments);
        terminal.feed(sixel);
        EXPECT_EQ(replies(), "");
        ASSERT_EQ(host.shown.size(), 1u);
        const StripHost::Shown& shown = host.shown[0];
        EXPECT_EQ(shown.width, expectedWidth);
        EXPECT_EQ(shown.height, expectedHeight);
        EXPECT_FALSE(stripsOn(terminal.buffer()).empty());

        if (!programAvailable("sixel2png"))
            return;
        const std::string sixelFile = (folder / "out.six").string();
        std::ofstream(sixelFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(sixel.data()), static_cast<std::streamsize>(sixel.size()));
        const std::string pngFile = (folder / "out.png").string();
        output("sixel2png", "-i '" + sixelFile + "' -o '" + pngFile + "'");
        std::ifstream in(pngFile, std::ios::binary);
        const std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::optional<RgbaBitmap> reference = PngDecoder::decodeToRgba(png);
        ASSERT_TRUE(reference);
        ASSERT_EQ(reference->width, shown.width);
        ASSERT_EQ(reference->height, shown.height);
        int mismatches = 0;
        int compared = 0;
        for (size_t i = 0; i + 3 < shown.pixels.size(); i += 4) {
            if (shown.pixels[i + 3] == 0)
                continue; // not painted: the reference shows its background there
            ++compared;
            for (size_t channel = 0; channel < 3; ++channel) {
                const int ours = shown.pixels[i + channel];
                const int theirs = reference->bytes[i + channel];
                if (std::abs(ours - theirs) > 1 && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel " << i / 4 << " channel " << channel << ": " << ours << " vs " << theirs;
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GE(compared, pictureWidth * pictureHeight / 2);
    }
};

TEST_F(SixelPeerTest, Img2sixelPictureMatchesTheReferenceDecoder)
{
    REQUIRE_PROGRAM("img2sixel");
    checkSixel("img2sixel", "'" + picture + "'", pictureWidth, pictureHeight);
}

TEST_F(SixelPeerTest, ChafaSixelPictureMatchesTheReferenceDecoder)
{
    REQUIRE_PROGRAM("chafa");
    // chafa scales to the cells it is given and pads to whole sixel bands.
    const std::vector<uint8_t> probe = output("chafa", "-f sixels --size 4x3 '" + picture + "'");
    const std::string text(probe.begin(), probe.end());
    const size_t raster = text.find('"');
    ASSERT_NE(raster, std::string::npos);
    int aspectNumerator = 0, aspectDenominator = 0, width = 0, height = 0;
    ASSERT_EQ(
        std::sscanf(text.c_str() + raster, "\"%d;%d;%d;%d", &aspectNumerator, &aspectDenominator, &width, &height), 4);
    checkSixel("chafa", "-f sixels --size 4x3 '" + picture + "'", width, height);
}

} // namespace
} // namespace corvel::test
