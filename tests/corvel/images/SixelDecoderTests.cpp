#include "corvel/images/SixelDcsHandler.h"
#include "corvel/images/SixelDecoder.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace corvel {
namespace {

using testing::bytesOf;
using Rgba = std::array<uint8_t, 4>;

constexpr Rgba transparent = {0, 0, 0, 0};

class Sixel : public ::testing::Test {
protected:
    SixelImage decode(const std::string& data, int maximumSide = SixelDecoder::defaultMaximumSide)
    {
        return SixelDecoder(host, maximumSide).decode(bytesOf(data));
    }

    static Rgba at(const SixelImage& image, int x, int y)
    {
        const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }

    // Colour of a default-palette entry of the fake host.
    static Rgba paletteColor(int index) { return {uint8_t(index), 0, uint8_t(255 - index), 255}; }

    testing::FakeSixelHost host;
};

TEST_F(Sixel, DefinedRedSquare)
{
    SixelImage image = decode("#0;2;100;0;0#0~~~~~~");
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.height, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(at(image, x, y), (Rgba{255, 0, 0, 255}));
}

TEST_F(Sixel, UndefinedRegisterUsesTheDefaultPaletteAcrossBands)
{
    SixelImage image = decode("#1~-#1!3~");
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 12);
    EXPECT_EQ(at(image, 0, 0), paletteColor(1));
    EXPECT_EQ(at(image, 1, 0), transparent);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(at(image, x, 11), paletteColor(1));
}

TEST_F(Sixel, SixelBitsMapToRowsOfTheBand)
{
    SixelImage image = decode("#5@_?~"); // top row, bottom row, nothing, all
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 6);
    EXPECT_EQ(at(image, 0, 0), paletteColor(5));
    EXPECT_EQ(at(image, 0, 1), transparent);
    EXPECT_EQ(at(image, 1, 5), paletteColor(5));
    EXPECT_EQ(at(image, 1, 4), transparent);
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(at(image, 2, y), transparent);
    EXPECT_EQ(at(image, 3, 3), paletteColor(5));
}

TEST_F(Sixel, RepeatCountSurvivesCarriageReturn)
{
    SixelImage image = decode("#2!5$~");
    ASSERT_EQ(image.width, 5);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(at(image, x, 0), paletteColor(2));
}

TEST_F(Sixel, RasterAttributesDoNotSizeThePicture)
{
    SixelImage image = decode("\"1;1;100;100#0;2;0;100;0~");
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 6);
    EXPECT_EQ(at(image, 0, 0), (Rgba{0, 255, 0, 255}));
}

TEST_F(Sixel, IncompleteOrUnknownDefinitionsLeaveTheRegisterAlone)
{
    EXPECT_EQ(at(decode("#4;2;100;0~"), 0, 0), paletteColor(4));
    EXPECT_EQ(at(decode("#4;3;100;0;0~"), 0, 0), paletteColor(4));
}

struct HlsCase {
    int hue, lightness, saturation;
    uint32_t rgb;
};

class SixelHls : public ::testing::TestWithParam<HlsCase> {};

TEST_P(SixelHls, ConvertsDecHls)
{
    const HlsCase& c = GetParam();
    EXPECT_EQ(SixelDecoder::hlsToRgb(c.hue, c.lightness, c.saturation), c.rgb);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SixelHls, ::testing::Values(
    HlsCase{0, 50, 100, 0x0000FF},
    HlsCase{120, 50, 100, 0xFF0000},
    HlsCase{240, 50, 100, 0x00FF00},
    HlsCase{77, 100, 0, 0xFFFFFF},
    HlsCase{300, 0, 0, 0x000000},
    HlsCase{180, 50, 100, 0xFFFF00}));
// clang-format on

TEST_F(Sixel, HlsDefinitionIsClamped)
{
    // Hue 999 acts as 360, the same as 0: blue.
    EXPECT_EQ(at(decode("#9;1;999;50;100~"), 0, 0), (Rgba{0, 0, 255, 255}));
    // "-" is a band feed, not a sign: the definition stops at three numbers.
    EXPECT_EQ(at(decode("#9;2;250;-1;100~"), 0, 6), paletteColor(9));
    EXPECT_EQ(at(decode("#9;2;250;0;100~"), 0, 0), (Rgba{255, 0, 255, 255}));
}

TEST_F(Sixel, RegisterOutsideThePaletteIsTransparent)
{
    SixelImage image = decode("#300~#1~");
    ASSERT_EQ(image.width, 2);
    EXPECT_EQ(at(image, 0, 0), transparent);
    EXPECT_EQ(at(image, 1, 0), paletteColor(1));
}

TEST_F(Sixel, RepeatOfZeroPaintsNothingAndStays)
{
    SixelImage image = decode("#1!0~@");
    ASSERT_EQ(image.width, 1);
    EXPECT_EQ(at(image, 0, 0), paletteColor(1));
    EXPECT_EQ(at(image, 0, 5), transparent);
}

TEST_F(Sixel, NoColourIntroducerGivesAnEmptyPicture)
{
    SixelImage image = decode("\"1;1;10;10~~~");
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_TRUE(image.pixels.empty());
}

TEST_F(Sixel, IntroducerWithoutNumberEndsBothPasses)
{
    SixelImage image = decode("#1~~#~~~~");
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(at(image, 1, 0), paletteColor(1));
}

TEST_F(Sixel, HugeRepeatIsCappedAtTheCanvas)
{
    SixelImage image = decode("#1!999999999~");
    EXPECT_EQ(image.width, SixelDecoder::defaultMaximumSide);
    EXPECT_EQ(image.height, 6);
    EXPECT_EQ(at(image, image.width - 1, 5), paletteColor(1));
}

TEST_F(Sixel, OverflowingNumbersSaturateAndPaintingIsClipped)
{
    std::string many(200, '-');
    SixelImage image = decode("#99999999999999999999999;2;100;100;100!99999999999999999999~" + many + "~$~", 64);
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 64);
    EXPECT_EQ(at(image, 63, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(image.pixels.size(), 64u * 64u * 4u);
}

TEST_F(Sixel, ATallWideCanvasIsCutToTheMostPixelsAPictureHolds)
{
    // 1.7 KB that paint the far corners of a 10000 × 10000 canvas.
    SixelImage image = decode("#1!10000~" + std::string(1700, '-') + "~");
    EXPECT_EQ(image.width, SixelDecoder::defaultMaximumSide);
    EXPECT_LE(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), SixelDecoder::maximumPixels);
    EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    EXPECT_EQ(image.height, static_cast<int>(SixelDecoder::maximumPixels / 10'000));
    EXPECT_EQ(at(image, 9'999, 5), paletteColor(1));
}

TEST_F(Sixel, RepaintingAWideCanvasStopsAtTheBudget)
{
    // 8 MiB of full-width repaints: without a bound about 6e9 pixel writes.
    std::string flood = "#1!10000~$";
    std::string data = "#2~";
    while (data.size() < (size_t{8} << 20))
        data += flood;
    data += "-#2~";
    SixelImage image = decode(data);
    EXPECT_EQ(image.width, 10'000);
    EXPECT_EQ(image.height, 12);
    EXPECT_EQ(at(image, 0, 0), paletteColor(1));
    EXPECT_EQ(at(image, 9'999, 5), paletteColor(1));
    // Painting stopped before the last band.
    EXPECT_EQ(at(image, 0, 6), transparent);
}

TEST_F(Sixel, AnOrdinaryPictureIsPaintedWhole)
{
    // Sixteen colours, each painting its own column stripe of every band, as
    // an encoder writes them: every pixel once, plus the blank gaps.
    std::string data;
    for (int band = 0; band < 100; ++band) {
        for (int colour = 0; colour < 16; ++colour) {
            data += "#" + std::to_string(colour);
            if (colour)
                data += "!" + std::to_string(colour * 250) + "?";
            data += "!250~$";
        }
        data += "-";
    }
    SixelImage image = decode(data);
    ASSERT_EQ(image.width, 4000);
    ASSERT_EQ(image.height, 600);
    EXPECT_EQ(at(image, 3999, 599), paletteColor(15));
    EXPECT_EQ(at(image, 0, 599), paletteColor(0));
}

TEST(SixelDcsHandler, CollectsDecodesAndDelivers)
{
    testing::FakeSixelHost host;
    SixelDcsHandler handler(host);
    handler.hook({}, {}, 'q');
    handler.put(bytesOf("#0;2;0;0;100"));
    handler.put(bytesOf("~~"));
    handler.unhook();
    ASSERT_EQ(host.bitmaps.size(), 1u);
    EXPECT_EQ(host.bitmaps[0].width, 2);
    EXPECT_EQ(host.bitmaps[0].height, 6);
    EXPECT_EQ(host.bitmaps[0].pixels.size(), 2u * 6u * 4u);
    EXPECT_EQ(host.bitmaps[0].pixels[2], 255);
}

TEST(SixelDcsHandler, HookStartsAfreshAndDataIsBounded)
{
    testing::FakeSixelHost host;
    SixelDcsHandler handler(host, 8);
    handler.hook({}, {}, 'q');
    handler.put(bytesOf("#1~~~"));
    handler.hook({}, {}, 'q'); // a string abandoned before its end leaves nothing behind
    handler.put(bytesOf("#1~~~~~~~~~~"));
    EXPECT_EQ(handler.collectedBytes(), 8u);
    handler.unhook();
    ASSERT_EQ(host.bitmaps.size(), 1u);
    EXPECT_EQ(host.bitmaps[0].width, 6);

    handler.hook({}, {}, 'q');
    handler.unhook();
    EXPECT_EQ(host.bitmaps.back().width, 0); // an empty string still delivers its empty picture
}

} // namespace
} // namespace corvel
