#include "corvel/images/KittyGraphicsControl.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using testing::bytesOf;

KittyGraphicsControl parse(const std::string& text) { return parseKittyGraphicsControl(bytesOf(text)).control; }

TEST(KittyGraphicsControl, EmptyCommandHasDefaults)
{
    KittyGraphicsCommand command = parseKittyGraphicsControl({});
    EXPECT_EQ(command.control.action, 't');
    EXPECT_EQ(command.control.transmission, 'd');
    EXPECT_EQ(command.control.format, 32);
    EXPECT_FALSE(command.control.imageId);
    EXPECT_FALSE(command.control.compression);
    EXPECT_TRUE(command.payload.empty());
}

TEST(KittyGraphicsControl, PayloadIsEverythingAfterTheFirstSemicolon)
{
    std::string text = "a=q,i=1;AAAA;BB=";
    KittyGraphicsCommand command = parseKittyGraphicsControl(bytesOf(text));
    EXPECT_EQ(std::string(command.payload.begin(), command.payload.end()), "AAAA;BB=");
    EXPECT_EQ(command.control.action, 'q');
}

TEST(KittyGraphicsControl, IdKeysAreAbsentWhenZeroNegativeOrOutOfRange)
{
    for (const char* text : {"i=0", "i=-1", "i=4294967296", "i=", "i=x", "i"})
        EXPECT_FALSE(parse(text).imageId) << text;
    EXPECT_EQ(parse("i=4294967295").imageId, 4294967295u);
    EXPECT_EQ(parse("i=+7").imageId, 7u);
}

TEST(KittyGraphicsControl, IntegerKeysFallBackOnBadValues)
{
    EXPECT_EQ(parse("f=abc").format, 32);
    EXPECT_EQ(parse("f=").format, 32);
    EXPECT_EQ(parse("f=99999999999999999999").format, 32);
    EXPECT_EQ(parse("c=+3").columns, 3);
    EXPECT_EQ(parse("z=-9223372036854775808").zIndex, INT64_MIN);
    EXPECT_EQ(parse("z=9223372036854775807").zIndex, INT64_MAX);
    EXPECT_EQ(parse("z=9223372036854775808").zIndex, 0);
}

TEST(KittyGraphicsControl, LaterDuplicateWinsAndOddPiecesAreSkipped)
{
    KittyGraphicsControl control = parse("f=24,,f=100,junk,ab=3,s=1=2,\xC3\xA9=5,v=\xC3\xA9,v=4");
    EXPECT_EQ(control.format, 100);
    EXPECT_EQ(control.width, 0); // "1=2" is not a number
    EXPECT_EQ(control.height, 4);
}

TEST(KittyGraphicsControl, CharacterKeysTakeTheFirstCharacter)
{
    KittyGraphicsControl control = parse("a=Txyz,t=,o=zz,d=A");
    EXPECT_EQ(control.action, 'T');
    EXPECT_EQ(control.transmission, 'd');
    EXPECT_EQ(control.compression, 'z');
    EXPECT_EQ(control.deleteMode, 'A');
}

TEST(KittyGraphicsControl, MoreIsReadOnlyForDirectTransmission)
{
    EXPECT_EQ(parse("m=1").more, 1);
    EXPECT_EQ(parse("t=d,m=1").more, 1);
    EXPECT_EQ(parse("t=f,m=1").more, 0);
    EXPECT_EQ(parse("t=s,m=1").more, 0);
}

TEST(KittyGraphicsControl, KeysAreCaseSensitive)
{
    KittyGraphicsControl control = parse("i=3,I=4,p=5,P=6,Q=7,x=1,X=2,s=3,S=4");
    EXPECT_EQ(control.imageId, 3u);
    EXPECT_EQ(control.imageNumber, 4u);
    EXPECT_EQ(control.placementId, 5u);
    EXPECT_EQ(control.parentImageId, 6u);
    EXPECT_EQ(control.parentPlacementId, 7u);
    EXPECT_EQ(control.cropX, 1);
    EXPECT_EQ(control.pixelOffsetX, 2);
    EXPECT_EQ(control.width, 3);
    EXPECT_EQ(control.dataSize, 4);
}

} // namespace
} // namespace corvel
