#include "corvel/images/KittyPayloadLoader.h"
#include "corvel/images/PngDecoder.h"
#include "corvel/images/ZlibInflate.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using testing::base64;
using testing::bytesOf;

KittyGraphicsControl control(int64_t format, int64_t width = 0, int64_t height = 0)
{
    KittyGraphicsControl c;
    c.format = format;
    c.width = width;
    c.height = height;
    return c;
}

TEST(KittyPayloadFormat, RgbGainsOpaqueAlpha)
{
    std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::optional<KittyGraphicsPayload> payload = KittyPayloadLoader().decodeKittyPayloadData(control(24, 2, 2), rgb);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->kind, KittyGraphicsPayload::Kind::rgba);
    EXPECT_EQ(*payload->bytes, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
    EXPECT_EQ(payload->width, 2);
    EXPECT_EQ(payload->height, 2);
}

struct RawSizeCase {
    int64_t format, width, height;
    size_t bytes;
    bool accepted;
};

class KittyRawSizes : public ::testing::TestWithParam<RawSizeCase> {};

TEST_P(KittyRawSizes, RequireTheExactByteCountAndSidesInRange)
{
    const RawSizeCase& c = GetParam();
    std::vector<uint8_t> data(c.bytes, 0x55);
    EXPECT_EQ(KittyPayloadLoader().decodeKittyPayloadData(control(c.format, c.width, c.height), data).has_value(),
              c.accepted);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, KittyRawSizes, ::testing::Values(
    RawSizeCase{24, 2, 2, 12, true},
    RawSizeCase{24, 2, 2, 11, false},
    RawSizeCase{24, 2, 2, 13, false},
    RawSizeCase{32, 2, 2, 16, true},
    RawSizeCase{32, 0, 1, 0, false},
    RawSizeCase{32, 10001, 1, 40004, false},
    RawSizeCase{32, 10000, 1, 40000, true},
    RawSizeCase{32, -2, -2, 16, false},
    RawSizeCase{32, 4294967296, 4294967296, 16, false},
    RawSizeCase{7, 1, 1, 4, false}));
// clang-format on

TEST(KittyPayloadFormat, PngSidesAreChecked)
{
    KittyPayloadLoader loader;
    EXPECT_TRUE(loader.decodeKittyPayloadData(control(100), testing::makePng(10000, 10000, {}, true)));
    EXPECT_FALSE(loader.decodeKittyPayloadData(control(100), testing::makePng(10001, 1, {}, true)));
    std::string notPng = "not a png at all";
    EXPECT_FALSE(loader.decodeKittyPayloadData(control(100), std::vector<uint8_t>(notPng.begin(), notPng.end())));
}

TEST(KittyPayloadFormat, PngPayloadIsKeptAsReceived)
{
    std::vector<uint8_t> png = testing::makePng(3, 2, testing::solidPixels(3, 2, {9, 8, 7, 6}));
    std::optional<KittyGraphicsPayload> payload = KittyPayloadLoader().decodeKittyPayloadData(control(100), png);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->kind, KittyGraphicsPayload::Kind::png);
    EXPECT_EQ(*payload->bytes, png);
}

TEST(KittyPayloadFormat, DirectZlibPayloadInflates)
{
    std::vector<uint8_t> pixels = testing::solidPixels(4, 4, {200, 100, 50, 25});
    KittyGraphicsControl c = control(32, 4, 4);
    c.compression = 'z';
    std::string text = base64(testing::zlibCompress(pixels));
    std::optional<KittyGraphicsPayload> payload = KittyPayloadLoader().decodeKittyPayload(c, bytesOf(text));
    ASSERT_TRUE(payload);
    EXPECT_EQ(*payload->bytes, pixels);
}

std::vector<uint8_t> patternedBytes(size_t count)
{
    std::vector<uint8_t> data(count);
    for (size_t i = 0; i < count; ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 13);
    return data;
}

// A stream that ends early must be refused, not waited on for input that will
// never come: every cut, in the header, the data or the checksum, fails.
TEST(ZlibInflate, EveryTruncationFails)
{
    std::vector<uint8_t> data = patternedBytes(20000);
    std::vector<uint8_t> compressed = testing::zlibCompress(data);
    ASSERT_EQ(inflateZlib(compressed, data.size()), data);

    for (size_t cut = 0; cut < compressed.size(); ++cut) {
        std::vector<uint8_t> truncated(compressed.begin(), compressed.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(inflateZlib(truncated, data.size())) << "cut at " << cut << " of " << compressed.size();
    }
}

TEST(ZlibInflate, DamagedHeaderDataOrChecksumFails)
{
    std::vector<uint8_t> data = patternedBytes(20000);
    std::vector<uint8_t> compressed = testing::zlibCompress(data);
    ASSERT_GT(compressed.size(), 6u);

    std::vector<size_t> positions = {0, 1, compressed.size() / 2}; // method, header check, data
    for (size_t i = compressed.size() - 4; i < compressed.size(); ++i)
        positions.push_back(i); // each byte of the Adler-32 checksum
    for (size_t position : positions) {
        std::vector<uint8_t> damaged = compressed;
        damaged[position] ^= 0xFF;
        EXPECT_FALSE(inflateZlib(damaged, data.size())) << "damaged at " << position << " of " << compressed.size();
    }
    std::vector<uint8_t> notZlib(64, 0);
    EXPECT_FALSE(inflateZlib(notZlib, data.size()));
}

TEST(ZlibInflate, OutputBeyondTheLimitFails)
{
    std::vector<uint8_t> zeros(1 << 20, 0);
    std::vector<uint8_t> compressed = testing::zlibCompress(zeros);
    EXPECT_TRUE(inflateZlib(compressed, zeros.size()));
    EXPECT_FALSE(inflateZlib(compressed, zeros.size() - 1));
}

TEST(PngDecoder, DecodesToStraightRgba)
{
    std::vector<uint8_t> pixels = {255, 0, 0, 128, 0, 255, 0, 0, 0, 0, 255, 255, 10, 20, 30, 40};
    std::optional<RgbaBitmap> bitmap = PngDecoder::decodeToRgba(testing::makePng(2, 2, pixels));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width, 2);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(bitmap->bytes, pixels); // half-transparent red stays 255, 0, 0, 128
}

TEST(PngDecoder, ExpandsOtherColourTypesToRgba)
{
    // Grey, 8 bits: 2 x 1.
    std::optional<RgbaBitmap> grey = PngDecoder::decodeToRgba(testing::makePngOfType(2, 1, 8, 0, {0x10, 0xF0}));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->bytes, (std::vector<uint8_t>{0x10, 0x10, 0x10, 255, 0xF0, 0xF0, 0xF0, 255}));

    // RGB, 16 bits: 1 x 1, high bytes kept.
    std::optional<RgbaBitmap> deep
        = PngDecoder::decodeToRgba(testing::makePngOfType(1, 1, 16, 2, {0xAB, 0x01, 0x12, 0x02, 0x34, 0x03}));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->bytes, (std::vector<uint8_t>{0xAB, 0x12, 0x34, 255}));

    // Grey, 1 bit: 8 x 1 in one byte.
    std::optional<RgbaBitmap> bits = PngDecoder::decodeToRgba(testing::makePngOfType(8, 1, 1, 0, {0b10000001}));
    ASSERT_TRUE(bits);
    ASSERT_EQ(bits->bytes.size(), 32u);
    EXPECT_EQ(bits->bytes[0], 255);
    EXPECT_EQ(bits->bytes[4], 0);
    EXPECT_EQ(bits->bytes[28], 255);
}

TEST(PngDecoder, RefusesDamagedAndOversizedPictures)
{
    std::vector<uint8_t> png = testing::makePng(4, 4, testing::solidPixels(4, 4, {1, 2, 3, 4}));
    EXPECT_TRUE(PngDecoder::decodeToRgba(png));
    std::vector<uint8_t> cut(png.begin(), png.end() - 16); // inside the image data
    EXPECT_FALSE(PngDecoder::decodeToRgba(cut));
    EXPECT_TRUE(PngDecoder::pixelSize(cut)); // the header alone still tells the size
    EXPECT_FALSE(PngDecoder::decodeToRgba(testing::makePng(10001, 1, {}, true)));
    EXPECT_EQ(PngDecoder::pixelSize(testing::makePng(10001, 3, {}, true))->width, 10001);
    EXPECT_FALSE(PngDecoder::pixelSize(std::vector<uint8_t>{0x89, 'P', 'N', 'G'}));
}

} // namespace
} // namespace corvel
