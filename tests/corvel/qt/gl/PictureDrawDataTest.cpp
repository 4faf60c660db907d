#include <gtest/gtest.h>

#include <cstring>

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>

#include "GlTestSupport.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/qt/LinePicture.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlyphStore.h"
#include "corvel/qt/gl/PictureTextures.h"

namespace corvel {
namespace {

using test::FakeDevice;

// Straight RGBA pixels of a picture whose quarters are red, green, blue and
// half-transparent white (top-left, top-right, bottom-left, bottom-right).
std::vector<uint8_t> quarters(int width, int height)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            if (!bottom)
                out.insert(out.end(), {uint8_t(right ? 0 : 255), uint8_t(right ? 255 : 0), 0, 255});
            else
                out.insert(out.end(),
                           {uint8_t(right ? 255 : 0),
                            uint8_t(right ? 255 : 0),
                            uint8_t(right ? 255 : 255),
                            uint8_t(right ? 128 : 255)});
        }
    return out;
}

std::string kittyPixels(const std::string& keys, const std::vector<uint8_t>& pixels, int width, int height)
{
    const QByteArray data(reinterpret_cast<const char*>(pixels.data()), qsizetype(pixels.size()));
    return "\x1b_G" + keys + ",f=32,s=" + std::to_string(width) + ",v=" + std::to_string(height) + ";"
        + data.toBase64().toStdString() + "\x1b\\";
}

// A placeholder cell for a picture row and column (both below 3).
std::string placeholder(int row, int col)
{
    static const char32_t marks[] = {0x0305, 0x030D, 0x030E};
    const std::u32string text{0x10EEEE, marks[row], marks[col]};
    return QString::fromUcs4(text.data(), qsizetype(text.size())).toStdString();
}

struct Quad {
    float x0, y0, x1, y1, u0, v0, u1, v1;
};

// The extent of an image quad (vertices in the order lower-left, lower-right,
// upper-left, ..., upper-right).
Quad quadOf(const ImageDraw& draw)
{
    const GlyphVertex& a = draw.vertices[0];
    const GlyphVertex& b = draw.vertices[4];
    return {
        a.position.x, a.position.y, b.position.x, b.position.y, a.texCoord.x, a.texCoord.y, b.texCoord.x, b.texCoord.y};
}

TEST(PictureTexturesTest, HashAndAspectFitFollowTheirTables)
{
    const std::vector<uint8_t> a{'a'};
    EXPECT_EQ(hashBytes(a, 64), 0xe40c292cu);
    EXPECT_EQ(hashBytes(a, 0), 0u);
    EXPECT_EQ(hashBytes({}, 64), 0u);
    std::vector<uint8_t> long1(100, 1), long2(100, 1);
    long2[80] = 2;
    EXPECT_EQ(hashBytes(long1, 64), hashBytes(long2, 64));

    struct Case {
        QSizeF picture;
        QRectF box;
        QRectF expected;
    };
    for (const Case& c : {Case{{100, 50}, {0, 0, 80, 160}, {0, 60, 80, 40}},
                          Case{{50, 100}, {10, 0, 100, 100}, {35, 0, 50, 100}},
                          Case{{0, 50}, {0, 0, 80, 160}, {0, 0, 80, 160}},
                          Case{{10, 10}, {5, 5, 0, 20}, {5, 5, 0, 20}}})
        EXPECT_EQ(LinePicturePainter::aspectFitRect(c.picture, c.box), c.expected)
            << c.picture.width() << "x" << c.picture.height();
}

TEST(PictureTexturesTest, UploadsArePremultipliedAndBottomRowFirst)
{
    FakeDevice device;
    PictureTextures textures(device);
    const KittyGraphicsPayload payload = KittyGraphicsPayload::rgba(quarters(2, 2), 2, 2);
    const std::shared_ptr<GpuTexture> texture = textures.upload(kittyPicture(payload), QSize(2, 2));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->format(), GpuTextureFormat::rgba8);
    const auto& pixels = static_cast<FakeDevice::Texture&>(*texture).pixels;
    // Row 0 of the texture is the picture's bottom row: blue, then white at
    // half alpha, premultiplied.
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 8),
              (std::vector<uint8_t>{0, 0, 255, 255, 128, 128, 128, 128}));
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 8, pixels.end()),
              (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255}));
    // Too large for the device: reduced to the largest side it takes.
    device.maxTextureSize = PictureTextures::maximumSide;
    const std::shared_ptr<GpuTexture> big = textures.upload(kittyPicture(payload), QSize(16384, 64));
    ASSERT_TRUE(big);
    EXPECT_EQ(QSize(big->width(), big->height()), QSize(8192, 32));
    EXPECT_FALSE(textures.upload(QImage(), QSize(2, 2)));
}

// The row tests' view, whose line pictures reach the builder as the GPU
// surface hands them over.
class GpuPictureTest : public test::GpuViewFixture {
protected:
    void SetUp() override
    {
        GpuViewFixture::SetUp();
        builder->pictures().setPicturePixels(TerminalView::linePicturePixels());
    }

    // A strip of a picture of 18 × 17 pixels on columns col, col + 1 of one row.
    std::shared_ptr<ImageStrip> strip(int col, std::optional<int64_t> kittyZ, uint32_t imageId = 0)
    {
        QImage pixels(18, 17, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::red);
        auto image = std::make_shared<const LinePicture>(std::move(pixels));
        auto out = std::make_shared<ImageStrip>(18, 17, col);
        out->picture = image;
        out->contentWidth = out->sourceWidth = 18;
        out->contentHeight = out->sourceHeight = 17;
        if (kittyZ) {
            out->kittyIsKitty = true;
            out->kittyZIndex = *kittyZ;
            out->kittyImageId = imageId;
        }
        return out;
    }

    void attach(int screenRow, std::shared_ptr<ImageStrip> image)
    {
        Buffer& buffer = view->getTerminal().displayBuffer();
        buffer.lines()[buffer.yDisp() + screenRow].attach(std::move(image));
        view->getTerminal().updateFullScreen();
    }
};

TEST_F(GpuPictureTest, StripsGoToTheirDepthListsOnTheirCells)
{
    attach(1, strip(0, std::nullopt));
    attach(1, strip(4, int64_t{5}, 3));
    attach(1, strip(2, int64_t{-1}, 9));
    attach(1, strip(6, int64_t{-2}, 12));
    attach(1, strip(8, int64_t{5}, 1));
    frame();
    const RowDrawData& data = row(1);
    ASSERT_EQ(data.otherImageDraws.size(), 1u);
    ASSERT_EQ(data.underImageDraws.size(), 2u);
    ASSERT_EQ(data.overImageDraws.size(), 2u);
    // Sorted by z-index, then image id.
    EXPECT_EQ(quadOf(data.underImageDraws[0]).x0, 6 * cw);
    EXPECT_EQ(quadOf(data.underImageDraws[1]).x0, 2 * cw);
    EXPECT_EQ(quadOf(data.overImageDraws[0]).x0, 8 * cw);
    EXPECT_EQ(quadOf(data.overImageDraws[1]).x0, 4 * cw);
    const Quad q = quadOf(data.otherImageDraws[0]);
    EXPECT_EQ(q.x0, 0);
    EXPECT_EQ(q.x1, 18);
    EXPECT_EQ(q.y0, rowBottom(1));
    EXPECT_EQ(q.y1, rowBottom(1) + ch);
    // v = 0 is the picture's bottom row, at the lower edge.
    EXPECT_EQ(q.u0, 0);
    EXPECT_EQ(q.v0, 0);
    EXPECT_EQ(q.u1, 1);
    EXPECT_EQ(q.v1, 1);
    EXPECT_TRUE(data.placeholderImageDraws.empty());
}

// The view hands over a picture's pixels at the size it is drawn, scaled as
// its own drawing scales them; they are uploaded bottom row first.
TEST_F(GpuPictureTest, LinePicturesAreUploadedAsTheViewScalesThem)
{
    QImage pixels(5, 3, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            pixels.setPixelColor(x, y, QColor(x * 60, y * 100, 200 - x * 40, 255 - x * 50));
    auto picture = std::make_shared<const LinePicture>(pixels);
    auto stretched = std::make_shared<ImageStrip>(4 * cw, ch, 1);
    stretched->picture = picture;
    stretched->contentWidth = stretched->sourceWidth = 5;
    stretched->contentHeight = stretched->sourceHeight = 3;
    attach(2, stretched);
    frame();
    ASSERT_EQ(row(2).otherImageDraws.size(), 1u);
    const Quad q = quadOf(row(2).otherImageDraws[0]);
    EXPECT_EQ(q.x0, cw);
    EXPECT_EQ(q.x1, 5 * cw);
    const auto& texture = static_cast<const FakeDevice::Texture&>(*row(2).otherImageDraws[0].texture);
    ASSERT_EQ(QSize(texture.width(), texture.height()), QSize(4 * cw, ch));
    const QImage expected = picture->pixelsFor(QSize(4 * cw, ch))
                                .convertToFormat(QImage::Format_RGBA8888_Premultiplied)
                                .mirrored(false, true);
    const size_t rowBytes = size_t(4 * cw) * 4;
    for (int y = 0; y < ch; ++y)
        ASSERT_EQ(std::memcmp(texture.pixels.data() + y * rowBytes, expected.constScanLine(y), rowBytes), 0)
            << "texture row " << y;
}

TEST_F(GpuPictureTest, AKittyOffsetMovesThePictureWithinItsCells)
{
    auto moved = strip(2, int64_t{0}, 4);
    moved->kittyPixelOffsetX = 3;
    moved->kittyPixelOffsetY = 5;
    attach(0, moved);
    frame();
    ASSERT_EQ(row(0).overImageDraws.size(), 1u);
    const Quad q = quadOf(row(0).overImageDraws[0]);
    // The whole strip moves right with its cells' clip.
    EXPECT_EQ(q.x0, 2 * cw + 3);
    EXPECT_EQ(q.x1, 2 * cw + 3 + 18);
    // The picture moves down five pixels and is cut at the row's bottom:
    // its bottom five rows are left out.
    EXPECT_EQ(q.y0, rowBottom(0));
    EXPECT_EQ(q.y1, rowBottom(0) + ch - 5);
    EXPECT_FLOAT_EQ(q.v0, 5.0f / 17);
    EXPECT_FLOAT_EQ(q.u1, 1.0f);
}

TEST_F(GpuPictureTest, DoubleHeightLinesStretchTheirPicturesAndCutThemToTheRow)
{
    view->feed("\x1b#3top\r\n\x1b#4bottom");
    attach(0, strip(1, std::nullopt));
    attach(1, strip(1, std::nullopt));
    frame();
    ASSERT_EQ(row(0).otherImageDraws.size(), 1u);
    ASSERT_EQ(row(1).otherImageDraws.size(), 1u);
    // Top half: twice as wide, stretched down from the row's top, only the
    // upper half kept.
    const Quad top = quadOf(row(0).otherImageDraws[0]);
    EXPECT_EQ(top.x0, 2 * cw);
    EXPECT_EQ(top.x1, 2 * cw + 36);
    EXPECT_EQ(top.y0, rowBottom(0));
    EXPECT_EQ(top.y1, rowBottom(0) + ch);
    EXPECT_FLOAT_EQ(top.v0, 0.5f);
    EXPECT_FLOAT_EQ(top.v1, 1.0f);
    // Bottom half: stretched up from the row's bottom, the lower half kept.
    const Quad bottom = quadOf(row(1).otherImageDraws[0]);
    EXPECT_EQ(bottom.y0, rowBottom(1));
    EXPECT_EQ(bottom.y1, rowBottom(1) + ch);
    EXPECT_FLOAT_EQ(bottom.v0, 0.0f);
    EXPECT_FLOAT_EQ(bottom.v1, 0.5f);
}

TEST_F(GpuPictureTest, PlaceholderCellsShowTheirPieceOfTheVirtualPlacement)
{
    // A picture of exactly two by two cells, placed virtually.
    view->feed(kittyPixels("a=T,i=7,U=1,c=2,r=2,q=2", quarters(18, 34), 18, 34));
    view->feed("\x1b[38;5;7m" + placeholder(0, 0) + placeholder(0, 1) + "\r\n" + placeholder(1, 0) + placeholder(1, 1));
    frame();
    ASSERT_EQ(row(0).placeholderImageDraws.size(), 2u);
    ASSERT_EQ(row(1).placeholderImageDraws.size(), 2u);
    const Quad topRight = quadOf(row(0).placeholderImageDraws[1]);
    EXPECT_EQ(topRight.x0, cw);
    EXPECT_EQ(topRight.x1, 2 * cw);
    EXPECT_EQ(topRight.y0, rowBottom(0));
    EXPECT_EQ(topRight.y1, rowBottom(0) + ch);
    EXPECT_FLOAT_EQ(topRight.u0, 0.5f);
    EXPECT_FLOAT_EQ(topRight.u1, 1.0f);
    EXPECT_FLOAT_EQ(topRight.v0, 0.5f);
    EXPECT_FLOAT_EQ(topRight.v1, 1.0f);
    const Quad bottomLeft = quadOf(row(1).placeholderImageDraws[0]);
    EXPECT_EQ(bottomLeft.x0, 0);
    EXPECT_FLOAT_EQ(bottomLeft.v0, 0.0f);
    EXPECT_FLOAT_EQ(bottomLeft.v1, 0.5f);
    // One texture for the four cells.
    EXPECT_EQ(builder->pictures().kittyTextureCount(), 1u);
    EXPECT_EQ(builder->pictures().uploads(), 1);
    EXPECT_EQ(row(0).placeholderImageDraws[0].texture, row(1).placeholderImageDraws[1].texture);
}

TEST_F(GpuPictureTest, APictureSentAgainUnderItsIdIsRedrawnAndADeletedOneLetsItsTextureGo)
{
    view->feed(kittyPixels("a=T,i=7,U=1,c=2,r=2,q=2", quarters(18, 34), 18, 34));
    view->feed("\x1b[38;5;7m" + placeholder(0, 0));
    frame();
    ASSERT_EQ(row(0).placeholderImageDraws.size(), 1u);
    const std::shared_ptr<GpuTexture> first = row(0).placeholderImageDraws[0].texture;
    // The same id, size and first bytes: a new transmission all the same.
    view->feed(kittyPixels("a=t,i=7,q=2", quarters(18, 34), 18, 34));
    frame();
    ASSERT_EQ(row(0).placeholderImageDraws.size(), 1u);
    EXPECT_NE(row(0).placeholderImageDraws[0].texture, first);
    EXPECT_EQ(builder->pictures().uploads(), 2);

    view->feed("\x1b_Ga=d,d=A,q=2\x1b\\");
    frame();
    EXPECT_TRUE(row(0).placeholderImageDraws.empty());
    EXPECT_EQ(builder->pictures().kittyTextureCount(), 0u);
}

// One picture in two placements has a texture for each size; a size that no
// row draws any more lets its texture go, while the image keeps the one it
// was drawn at last.
TEST_F(GpuPictureTest, TexturesOfSizesNoLongerDrawnGo)
{
    view->feed(kittyPixels("a=T,i=7,U=1,p=1,c=2,r=2,q=2", quarters(18, 34), 18, 34));
    view->feed("\x1b_Ga=p,i=7,U=1,p=2,c=1,r=1,q=2\x1b\\");
    view->feed("\x1b[38;5;7;58;5;1m" + placeholder(0, 0) + "\x1b[58;5;2m" + placeholder(0, 0) + "\x1b[m");
    frame();
    ASSERT_EQ(row(0).placeholderImageDraws.size(), 2u);
    const std::weak_ptr<GpuTexture> large = row(0).placeholderImageDraws[0].texture;
    const std::weak_ptr<GpuTexture> small = row(0).placeholderImageDraws[1].texture;
    ASSERT_NE(large.lock(), small.lock());

    // Only the small placement is left on screen.
    view->feed("\x1b[H\x1b[2K\x1b[38;5;7;58;5;2m" + placeholder(0, 0) + "\x1b[m");
    frame();
    ASSERT_EQ(row(0).placeholderImageDraws.size(), 1u);
    EXPECT_TRUE(large.expired());
    EXPECT_EQ(row(0).placeholderImageDraws[0].texture, small.lock());

    // Nothing on screen: the image keeps the texture it was drawn at last.
    view->feed("\x1b[H\x1b[2K");
    frame();
    EXPECT_TRUE(row(0).placeholderImageDraws.empty());
    EXPECT_FALSE(small.expired());
    EXPECT_EQ(builder->pictures().kittyTextureCount(), 1u);
}

TEST_F(GpuPictureTest, PicturesWithoutPixelsAreLeftOutAndGoneOnesLetTheirTexturesGo)
{
    builder->pictures().setPicturePixels({});
    attach(0, strip(0, std::nullopt));
    frame();
    EXPECT_TRUE(row(0).otherImageDraws.empty());

    builder->pictures().setPicturePixels(TerminalView::linePicturePixels());
    view->getTerminal().updateFullScreen();
    frame();
    ASSERT_EQ(row(0).otherImageDraws.size(), 1u);
    EXPECT_EQ(builder->pictures().pictureTextureCount(), 1u);
    Buffer& buffer = view->getTerminal().displayBuffer();
    buffer.lines()[buffer.yDisp()].images.reset();
    view->getTerminal().updateFullScreen();
    frame();
    EXPECT_EQ(builder->pictures().pictureTextureCount(), 0u);
}

} // namespace
} // namespace corvel
