// Pictures drawn on their lines: Sixel and Kitty pictures in the right cells,
// at both pixel densities, with straight alpha and Kitty offsets.

#include <string>

#include <QBuffer>
#include <QImageReader>

#include "ViewFixture.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/images/KittyPlaceholder.h"
#include "corvel/qt/LinePicture.h"

namespace corvel::test {
namespace {

// A Sixel picture of one colour (percent RGB), a multiple of six rows high.
std::string sixel(int width, int height, int red, int green, int blue)
{
    std::string s = "\x1bPq\"1;1;" + std::to_string(width) + ";" + std::to_string(height) + "#1;2;"
        + std::to_string(red) + ";" + std::to_string(green) + ";" + std::to_string(blue);
    const int bands = height / 6;
    for (int band = 0; band < bands; ++band)
        s += "#1!" + std::to_string(width) + "~" + (band + 1 < bands ? "-" : "");
    return s + "\x1b\\";
}

// A Kitty picture of straight RGBA pixels of one colour, shown at the cursor.
std::string kitty(int width, int height, QColor color, const std::string& keys = "")
{
    QByteArray pixels;
    for (int i = 0; i < width * height; ++i)
        for (const int channel : {color.red(), color.green(), color.blue(), color.alpha()})
            pixels.append(char(channel));
    return "\x1b_Ga=T,q=2,f=32,s=" + std::to_string(width) + ",v=" + std::to_string(height) + keys + ";"
        + pixels.toBase64().toStdString() + "\x1b\\";
}

QByteArray png(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The smallest rectangle of the image's pixels near a colour.
QRect extentOf(const QImage& image, QColor color, int tolerance = 8)
{
    QRect extent;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixelColor(x, y), color, tolerance))
                extent |= QRect(x, y, 1, 1);
    return extent;
}

class Pictures : public ViewFixture {};

TEST_F(Pictures, ASixelPictureCoversItsCellsAndMovesTheCursorBelow)
{
    view->feed("\x1b[2;3H" + sixel(60, 36, 100, 0, 0));
    const QImage shot = grab();
    // 60 × 36 pixels from column 2 of row 1: 7 columns and 3 rows.
    EXPECT_EQ(extentOf(shot, QColor(255, 0, 0)), QRect(2 * cellWidth, cellHeight, 60, 36));
    EXPECT_EQ(terminal().buffer().x(), 2);
    EXPECT_EQ(terminal().buffer().y(), 4);
}

TEST_F(Pictures, KittyPicturesKeepStraightAlphaAndTheirOffsets)
{
    const QColor background = grab().pixelColor(cell(40, 12).center());
    view->feed(kitty(8, 8, QColor(0, 200, 0, 255), ",X=2,Y=5"));
    const QPoint second(terminal().buffer().x(), terminal().buffer().y());
    view->feed(kitty(8, 8, QColor(255, 0, 0, 128)));
    const QImage shot = grab();
    // The offsets move the first picture right and down inside its cell.
    EXPECT_EQ(extentOf(shot, QColor(0, 200, 0), 4), QRect(2, 5, 8, 8));
    // Half-transparent red blends with the background as straight alpha does.
    const QColor blended = shot.pixelColor(cell(second.x(), second.y()).topLeft() + QPoint(3, 3));
    const QColor expected(
        (255 * 128 + background.red() * 127) / 255, background.green() * 127 / 255, background.blue() * 127 / 255);
    EXPECT_TRUE(near(blended, expected, 3)) << blended.name().toStdString() << " " << expected.name().toStdString();
}

TEST_F(Pictures, PicturesScrollWithTheirLines)
{
    view->feed(sixel(18, 12, 0, 0, 100));
    for (int i = 0; i < 5; ++i)
        view->feed("\r\n");
    const QImage shot = grab();
    EXPECT_EQ(extentOf(shot, QColor(0, 0, 255)), QRect(0, 0, 18, 12));
    for (int i = 0; i < 30; ++i)
        view->feed("\r\n");
    EXPECT_TRUE(extentOf(grab(), QColor(0, 0, 255)).isEmpty());
    view->scrollUp(40);
    EXPECT_EQ(extentOf(grab(), QColor(0, 0, 255)), QRect(0, 0, 18, 12));
}

TEST_F(Pictures, WireSizesAreClampedToTheScreen)
{
    // Far more columns than the screen has: the picture stops at the right edge.
    view->feed(kitty(4, 4, QColor(0, 0, 255), ",c=5000,r=2"));
    const BufferLine& line = terminal().buffer().lines()[0];
    ASSERT_TRUE(line.hasImages());
    EXPECT_LE(line.images->front()->pixelWidth(), 80 * cellWidth);
    EXPECT_EQ(extentOf(grab(), QColor(0, 0, 255)), QRect(0, 0, 80 * cellWidth, 2 * cellHeight));
}

// Black and white stripes four pixels wide: detail that blurs as soon as the
// picture is drawn from fewer pixels than it has.
QImage stripes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, (x / 4) % 2 ? Qt::white : Qt::black);
    return image;
}

// Pixels of two pictures of one size farther apart than the tolerance.
int pixelsApart(const QImage& a, const QImage& b, int tolerance)
{
    int apart = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!near(a.pixelColor(x, y), b.pixelColor(x, y), tolerance))
                ++apart;
    return apart;
}

// A placeholder cell of a picture row and column.
std::string placeholderCell(int row, int col)
{
    const std::u32string text{
        0x10EEEE, KittyPlaceholder::diacritics[size_t(row)], KittyPlaceholder::diacritics[size_t(col)]};
    return QString::fromUcs4(text.data(), qsizetype(text.size())).toStdString();
}

// Two virtual placements of one picture of 144 × 272 pixels (16 cells' worth
// of 9 × 17 on a side, so that square placements fit it exactly), drawn by
// placeholder cells: 3 × 3 cells on the top rows, then 18 × 18 cells. Each
// shows the picture scaled from its own pixels to its size.
TEST_F(Pictures, APictureShownAtTwoSizesIsSharpAtBoth)
{
    const QImage original = stripes(144, 272);
    const QByteArray pixels(reinterpret_cast<const char*>(original.constBits()), original.sizeInBytes());
    view->feed("\x1b_Ga=T,U=1,i=7,p=1,c=3,r=3,q=2,f=32,s=144,v=272;" + pixels.toBase64().toStdString() + "\x1b\\");
    view->feed("\x1b_Ga=p,U=1,i=7,p=2,c=18,r=18,q=2\x1b\\");
    const auto rows = [this](int placement, int count) {
        for (int row = 0; row < count; ++row) {
            // The image id in the foreground colour, the placement in the underline colour.
            std::string line = "\x1b[38;5;7;58;5;" + std::to_string(placement) + "m" + placeholderCell(row, 0);
            for (int col = 1; col < count; ++col)
                line += "\xf4\x8e\xbb\xae"; // U+10EEEE: the next column
            view->feed(line + "\x1b[m\r\n");
        }
    };
    rows(1, 3);
    rows(2, 18);
    const QImage shot = grab().convertToFormat(QImage::Format_RGBA8888);

    const QRect small(0, 0, 3 * cellWidth, 3 * cellHeight);
    const QRect large(0, 3 * cellHeight, 18 * cellWidth, 18 * cellHeight);
    for (const QRect& area : {small, large, small}) {
        const QImage expected = original.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_EQ(pixelsApart(shot.copy(area), expected, 3), 0) << area.width() << "x" << area.height();
    }
}

TEST(LinePictures, EachSizeIsScaledFromTheOwnPixelsAndFewSizesAreKept)
{
    const QImage original = stripes(144, 272).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const LinePicture picture(original);
    const auto scaled
        = [&original](QSize size) { return original.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); };
    // Small first: the large size still comes from all the pixels.
    for (const QSize size : {QSize(27, 51), QSize(162, 306), QSize(27, 51)})
        EXPECT_EQ(picture.pixelsFor(size), scaled(size)) << size.width() << "x" << size.height();
    for (int width = 10; width <= 60; width += 10)
        picture.pixelsFor(QSize(width, width));
    EXPECT_EQ(picture.keptSizes(), (std::vector<QSize>{QSize(60, 60), QSize(50, 50), QSize(40, 40), QSize(30, 30)}));
    // A size too large to keep is drawn from the picture itself.
    EXPECT_EQ(picture.pixelsFor(QSize(20'000, 20'000)).size(), picture.size());
}

// Qt's readers share one memory limit; a large picture raises it only while
// it is read.
TEST(LinePictures, ALargePictureRaisesTheReaderLimitOnlyForItself)
{
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    QImage image(1000, 1000, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    const auto decoded = LinePicture::decode({reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())});
    EXPECT_TRUE(decoded);
    EXPECT_EQ(QImageReader::allocationLimit(), 1);
    QImageReader::setAllocationLimit(limit);
}

TEST(LinePictures, SidesUpToTenThousandPixels)
{
    EXPECT_TRUE(LinePicture::fromRgba(std::vector<uint8_t>(10'000 * 4, 255), 10'000, 1));
    EXPECT_FALSE(LinePicture::fromRgba(std::vector<uint8_t>(10'001 * 4, 255), 10'001, 1));
    EXPECT_FALSE(LinePicture::fromRgba(std::vector<uint8_t>(7, 255), 2, 1)); // too few bytes
    const QByteArray tall = png(1, 10'000, Qt::red);
    const auto decoded = LinePicture::decode({reinterpret_cast<const uint8_t*>(tall.data()), size_t(tall.size())});
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(1, 10'000));
    EXPECT_FALSE(LinePicture::decode({reinterpret_cast<const uint8_t*>("not a picture"), 13}));
}

TEST(PicturesAtDoubleDensity, ASixelPictureCoversTheRightCells)
{
    if (!atDoubleDensity())
        return;
    RecordingHost host;
    TerminalView view(nullptr, testFont(14));
    view.setTerminalDelegate(&host);
    view.resize(view.scrollerWidth() + 400, 300);
    view.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(view.backingScale(), 2.0);
    const QSizeF cell = view.cellDimension();
    // 160 × 96 device pixels are 80 × 48 points.
    view.feed("\x1b[2;2H" + sixel(160, 96, 0, 100, 0));
    view.updateDisplay(false);
    QCoreApplication::processEvents();
    const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect expected(qRound(cell.width() * 2), qRound(cell.height() * 2), 160, 96);
    EXPECT_EQ(extentOf(shot, QColor(0, 255, 0)), expected);
    EXPECT_EQ(view.getTerminal().buffer().y(), 1 + static_cast<int>(std::ceil(48 / cell.height())));
    EXPECT_EQ(view.getTerminal().buffer().x(), 1);
    view.setTerminalDelegate(nullptr);
}

} // namespace
} // namespace corvel::test
