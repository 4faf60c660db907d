#include "corvel/images/KittyGraphicsHandler.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using testing::base64;
using testing::bytesOf;

const std::string onePixel = base64(std::string("\x10\x20\x30\x40", 4)); // f=32, s=1, v=1
const std::string rgb2x2 = base64(std::string(12, '\x7f'));
const std::string rgb2x2Short = base64(std::string(11, '\x7f'));

struct ReplyCase {
    const char* name;
    std::string command;
    std::vector<std::string> replies; // reply texts, framing added by the test
    bool eightBit = false;
};

std::string framed(const std::string& text, bool eightBit)
{
    return eightBit ? "\x9f" + text + "\x9c" : "\x1b_" + text + "\x1b\\";
}

class KittyReplies : public testing::KittyFixtureBase, public ::testing::TestWithParam<ReplyCase> {};

TEST_P(KittyReplies, AnswersWithTheExpectedBytes)
{
    const ReplyCase& c = GetParam();
    host.eightBit = c.eightBit;
    send(c.command);
    std::vector<std::string> expected;
    for (const std::string& text : c.replies)
        expected.push_back(framed(text, c.eightBit));
    EXPECT_EQ(host.replies, expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, KittyReplies, ::testing::Values(
    ReplyCase{"OnlyTheLetterG", "", {"G;EINVAL: bad payload"}},
    ReplyCase{"QueryOk", "a=q,i=5,s=1,v=1;" + onePixel, {"Gi=5;OK"}},
    ReplyCase{"QueryOkWithoutIds", "a=q,s=1,v=1;" + onePixel, {"G;OK"}},
    ReplyCase{"QueryOkNamesAllIds", "a=q,i=5,I=6,p=7,s=1,v=1;" + onePixel, {"Gi=5,I=6,p=7;OK"}},
    ReplyCase{"QueryQuietOk", "a=q,q=1,i=5,s=1,v=1;" + onePixel, {}},
    ReplyCase{"QueryQuietStillReportsErrors", "a=q,q=1,i=5;!!", {"Gi=5;EINVAL: bad payload"}},
    ReplyCase{"QuerySilentOk", "a=q,q=2,i=5,s=1,v=1;" + onePixel, {}},
    ReplyCase{"QuerySilentError", "a=q,q=2,i=5;!!", {}},
    ReplyCase{"QueryIgnoresMedium", "a=q,t=f,i=5,s=1,v=1;" + onePixel, {"Gi=5;OK"}},
    ReplyCase{"UnsupportedActionNamesId", "a=x,i=3", {"Gi=3;EINVAL: unsupported action"}},
    ReplyCase{"UnsupportedActionNamesNumber", "a=x,I=4", {"GI=4;EINVAL: unsupported action"}},
    ReplyCase{"ErrorNamesIdBeforeNumber", "a=x,i=3,I=4", {"Gi=3;EINVAL: unsupported action"}},
    ReplyCase{"EightBitFraming", "a=x", {"G;EINVAL: unsupported action"}, true},
    ReplyCase{"EightBitOk", "a=q,s=1,v=1;" + onePixel, {"G;OK"}, true},
    ReplyCase{"UnsupportedTransmission", "a=t,t=x,i=1;AAAA", {"Gi=1;ENOTSUP: unsupported transmission"}},
    ReplyCase{"IdAndNumberExclusive", "a=t,i=1,I=2,s=1,v=1;" + onePixel, {"Gi=1;EINVAL: i and I are mutually exclusive"}},
    ReplyCase{"TransmitWithId", "a=t,i=7,s=1,v=1;" + onePixel, {"Gi=7;OK"}},
    ReplyCase{"TransmitWithPlacement", "a=t,i=7,p=3,s=1,v=1;" + onePixel, {"Gi=7,p=3;OK"}},
    ReplyCase{"TransmitWithNumberGetsId1", "a=t,I=5,s=1,v=1;" + onePixel, {"Gi=1,I=5;OK"}},
    ReplyCase{"TransmitWithoutIdsIsSilent", "a=t,s=1,v=1;" + onePixel, {}},
    ReplyCase{"TransmitQuiet", "a=t,i=7,q=1,s=1,v=1;" + onePixel, {}},
    ReplyCase{"DisplayWithoutIdsSendsNoOk", "a=T,s=1,v=1;" + onePixel, {}},
    ReplyCase{"DisplayWithId", "a=T,i=2,s=1,v=1;" + onePixel, {"Gi=2;OK"}},
    ReplyCase{"PutOfUnknownImage", "a=p,i=9", {"Gi=9;ENOENT: image not found"}},
    ReplyCase{"UnknownFormat", "a=t,i=1,f=7;AAAA", {"Gi=1;EINVAL: bad payload"}},
    ReplyCase{"UnknownCompression", "a=t,i=1,o=x,s=1,v=1;" + onePixel, {"Gi=1;EINVAL: bad payload"}},
    ReplyCase{"RgbExactSize", "a=t,i=1,f=24,s=2,v=2;" + rgb2x2, {"Gi=1;OK"}},
    ReplyCase{"RgbShort", "a=t,i=1,f=24,s=2,v=2;" + rgb2x2Short, {"Gi=1;EINVAL: bad payload"}},
    ReplyCase{"RgbaZeroWidth", "a=t,i=1,s=0,v=1;" + onePixel, {"Gi=1;EINVAL: bad payload"}},
    ReplyCase{"DirectEmptyPayload", "a=t,i=1,s=1,v=1;", {"Gi=1;EINVAL: bad payload"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class KittyHandler : public testing::KittyFixtureBase, public ::testing::Test {};

TEST_F(KittyHandler, DisplayErrorFromHostIsSentAndImageStaysStored)
{
    host.displayError = "EINVAL: bad crop";
    send("a=T,i=6,x=50,s=1,v=1;" + onePixel);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=6;EINVAL: bad crop")});
    EXPECT_TRUE(state.imagesById.contains(6));
}

TEST_F(KittyHandler, PutPrefersNumberThenId)
{
    send("a=t,I=5,s=1,v=1;" + onePixel); // id 1
    send("a=t,i=9,s=1,v=1;" + onePixel);
    host.replies.clear();

    send("a=p,I=5,i=9");
    ASSERT_EQ(host.displays.size(), 1u);
    EXPECT_EQ(host.displays[0].imageId, 1u);
    EXPECT_EQ(host.displays[0].imageNumber, 5u);

    send("a=p,I=6,i=9,p=2");
    ASSERT_EQ(host.displays.size(), 2u);
    EXPECT_EQ(host.displays[1].imageId, 9u);
    EXPECT_FALSE(host.displays[1].imageNumber);
    EXPECT_EQ(host.replies, (std::vector<std::string>{reply("Gi=1,I=5;OK"), reply("Gi=9,p=2;OK")}));
}

TEST_F(KittyHandler, ChunksJoinUnderTheFirstChunksKeys)
{
    std::vector<uint8_t> png = testing::makePng(2, 1, testing::solidPixels(2, 1, {1, 2, 3, 255}));
    std::string text = base64(png);
    size_t third = text.size() / 12 * 4;
    send("a=T,f=100,i=3,m=1;" + text.substr(0, third));
    send("a=x,q=2,i=8,m=1;" + text.substr(third, third));
    EXPECT_TRUE(host.replies.empty());
    EXPECT_TRUE(state.pending);
    send("m=0,q=2;" + text.substr(2 * third));

    EXPECT_FALSE(state.pending);
    ASSERT_EQ(host.displays.size(), 1u);
    EXPECT_EQ(*host.displays[0].payload.bytes, png);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=3;OK")});
}

TEST_F(KittyHandler, ChunksPaddedOneByOneDecode)
{
    std::string pixels = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"; // 2 x 2 RGBA
    send("a=t,i=1,s=2,v=2,m=1;" + base64(pixels.substr(0, 5)));
    send("m=1;" + base64(pixels.substr(5, 4)));
    send("m=0;" + base64(pixels.substr(9)));
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=1;OK")});
    ASSERT_TRUE(state.imagesById.contains(1));
    const auto& stored = *state.imagesById.at(1).payload.bytes;
    EXPECT_EQ(std::string(stored.begin(), stored.end()), pixels);
}

TEST_F(KittyHandler, ChunkWithMoreTwoCompletesTheTransfer)
{
    send("a=t,i=1,s=1,v=1,m=1;" + onePixel.substr(0, 4));
    send("m=2;" + onePixel.substr(4));
    EXPECT_FALSE(state.pending);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=1;OK")});
}

TEST_F(KittyHandler, PutWhilePendingCompletesTheTransferInstead)
{
    send("a=t,i=1,s=1,v=1,m=1;" + onePixel.substr(0, 4));
    send("a=p,i=9;" + onePixel.substr(4));
    EXPECT_TRUE(host.displays.empty());
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=1;OK")});
}

TEST_F(KittyHandler, ATransmissionWithAnotherIdReplacesAnUnfinishedTransfer)
{
    // A program ended halfway through a picture; the next one's picture is
    // its own, not the tail of the first.
    send("a=t,i=1,s=1,v=1,m=1;" + onePixel.substr(0, 4));
    send("a=T,i=2,s=1,v=1;" + onePixel);
    EXPECT_FALSE(state.pending);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=2;OK")});
    ASSERT_EQ(host.displays.size(), 1u);
    EXPECT_EQ(host.displays[0].imageId, 2u);
    EXPECT_FALSE(state.imagesById.contains(1));

    // A chunk that repeats the transfer's own id goes on with it.
    host.replies.clear();
    send("a=t,I=7,s=1,v=1,m=1;" + onePixel.substr(0, 4));
    send("I=7,m=0;" + onePixel.substr(4));
    EXPECT_EQ(host.replies,
              std::vector<std::string>{reply("Gi=" + std::to_string(state.imageNumbers.at(7)) + ",I=7;OK")});
}

TEST_F(KittyHandler, AnUnfinishedTransferCountsAgainstTheStoreLimit)
{
    host.cacheLimit = 1000;
    const std::string tenByTen = base64(std::string(400, '\x11'));
    send("a=t,i=1,s=10,v=10;" + tenByTen);
    send("a=t,i=2,s=10,v=10;" + tenByTen);
    ASSERT_EQ(state.totalImageBytes, 800);

    // 600 bytes held by a transfer leave room for one stored picture.
    send("a=t,i=3,s=10,v=10,m=1;" + std::string(600, 'A'));
    EXPECT_TRUE(state.pending);
    EXPECT_LE(state.totalImageBytes + 600, 1000);
    EXPECT_FALSE(state.imagesById.contains(1));
    EXPECT_TRUE(state.imagesById.contains(2));

    // More than the whole store is refused.
    host.replies.clear();
    send("m=1;" + std::string(500, 'A'));
    EXPECT_FALSE(state.pending);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=3;EINVAL: bad payload")});
}

TEST_F(KittyHandler, InflatingStopsAtTheDeclaredSize)
{
    const std::vector<uint8_t> bomb = testing::zlibCompress(std::vector<uint8_t>(size_t{8} << 20, 0));
    const std::string bombText = base64(bomb);
    // One pixel declared: refused as soon as the data passes four bytes.
    send("a=t,i=1,f=32,s=1,v=1,o=z;" + bombText);
    // A PNG inflates at most to the PNG limit.
    KittyGraphicsLimits pngLimit;
    pngLimit.pngBytes = 1 << 20;
    send("a=t,i=2,f=100,o=z;" + bombText, pngLimit);
    EXPECT_EQ(host.replies,
              (std::vector<std::string>{reply("Gi=1;EINVAL: bad payload"), reply("Gi=2;EINVAL: bad payload")}));

    KittyGraphicsControl control;
    control.compression = 'z';
    control.format = 32;
    control.width = control.height = 64;
    const std::vector<uint8_t> exact(64 * 64 * 4, 7);
    KittyPayloadLoader loader;
    EXPECT_EQ(loader.decompressKittyData(testing::zlibCompress(exact), control), exact);
    control.height = 63;
    EXPECT_FALSE(loader.decompressKittyData(testing::zlibCompress(exact), control));
    control.format = 7;
    EXPECT_FALSE(loader.decompressKittyData(testing::zlibCompress(exact), control));
    control.format = 100;
    KittyGraphicsLimits small;
    small.pngBytes = 1000;
    EXPECT_FALSE(KittyPayloadLoader(small).decompressKittyData(testing::zlibCompress(exact), control));
    EXPECT_TRUE(loader.decompressKittyData(testing::zlibCompress(exact), control));
}

TEST_F(KittyHandler, DeleteDiscardsThePendingTransferAndRuns)
{
    send("a=t,i=1,s=1,v=1,m=1;" + onePixel.substr(0, 4));
    send("a=d,d=i,i=1");
    EXPECT_FALSE(state.pending);
    ASSERT_EQ(host.deletions.size(), 1u);
    EXPECT_EQ(host.deletions[0].deleteMode, 'i');
    send("m=0;" + onePixel.substr(4)); // now a command of its own: a bad payload without ids
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("G;EINVAL: bad payload")});
}

TEST_F(KittyHandler, FileTransmissionIsNeverChunked)
{
    send("a=t,t=f,i=2,m=1;" + base64(std::string("/nonexistent/image.png")));
    EXPECT_FALSE(state.pending);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=2;EINVAL: bad path")});
}

TEST_F(KittyHandler, OversizedTransferIsDroppedWithAnError)
{
    KittyGraphicsLimits limits;
    limits.payloadBytes = 1000;
    const std::string chunk(static_cast<size_t>(limits.pendingBase64Bytes() / 2 + 1), 'A');
    send("a=t,i=4,m=1;" + chunk, limits);
    send("m=1;" + chunk, limits);
    EXPECT_FALSE(state.pending);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=4;EINVAL: bad payload")});

    // Later chunks of the dropped transfer start afresh and are refused on their own.
    host.replies.clear();
    send("m=0;" + onePixel, limits);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("G;EINVAL: bad payload")});
    EXPECT_TRUE(state.imagesById.empty());
}

TEST_F(KittyHandler, DirectPayloadOverTheLimitIsRefused)
{
    KittyGraphicsLimits limits;
    limits.payloadBytes = 15;
    send("a=t,i=1,s=2,v=2;" + base64(std::string(16, 'x')), limits);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=1;EINVAL: bad payload")});
    host.replies.clear();
    send("a=t,i=1,s=2,v=2,o=z;" + base64(testing::zlibCompress(bytesOf(std::string(16, 'x')))), limits);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=1;EINVAL: bad payload")});
}

} // namespace
} // namespace corvel
