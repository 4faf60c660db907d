#include "skin/PictureReader.h"

#include "support/HeicPicture.h"
#include "support/HostileFiles.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QTemporaryDir>

namespace velmora {
namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

// Red on the left half, blue on the right.
QImage halves(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(PictureReaderTest, ReadsOnlyRegularFilesAndNeverWaitsOnAPipe)
{
    QTemporaryDir folder;
    const QString png = folder.filePath("frame.png");
    test::writeFile(png, encoded(halves(QSize(8, 6)), "PNG"));
    EXPECT_EQ(PictureReader::read(png).size(), QSize(8, 6));

    // A pipe under a picture's name, as a first read and swapped in for a
    // file that was read before: no picture, and nobody waits for a writer.
    for (const QString& path : {folder.filePath("pipe.png"), png}) {
        test::WatchedFifo fifo(path);
        ASSERT_TRUE(fifo.made());
        EXPECT_TRUE(PictureReader::read(path).isNull()) << path.toStdString();
        EXPECT_FALSE(fifo.rescued()) << "the reader blocked on " << path.toStdString();
    }

    EXPECT_TRUE(PictureReader::read(folder.path()).isNull()) << "a folder";
    EXPECT_TRUE(PictureReader::read(folder.filePath("missing.png")).isNull());
    test::writeFile(folder.filePath("text.png"), "not a picture");
    EXPECT_TRUE(PictureReader::read(folder.filePath("text.png")).isNull());

    // A file beyond the size bound is refused without being read (sparse:
    // it takes no room on disk).
    const QString huge = folder.filePath("huge.png");
    test::writeFile(huge, encoded(halves(QSize(8, 6)), "PNG"));
    ASSERT_TRUE(QFile::resize(huge, PictureReader::maxFileBytes + 1));
    EXPECT_TRUE(PictureReader::read(huge).isNull());
}

TEST(PictureReaderTest, ReadsHeicByItsContent)
{
    const QByteArray heic = test::heicBytes(halves(QSize(64, 48)));
    ASSERT_FALSE(heic.isEmpty()) << "libheif cannot encode HEVC here";
    EXPECT_TRUE(PictureReader::isHeif(heic));
    EXPECT_FALSE(PictureReader::isHeif(encoded(halves(QSize(8, 6)), "PNG")));
    EXPECT_FALSE(PictureReader::isHeif(heic.left(8)));

    QTemporaryDir folder;
    // The name does not matter: a ".png" holding HEIC is read as HEIC.
    for (const QString& name : {QStringLiteral("photo.heic"), QStringLiteral("PHOTO.HEIF"), QStringLiteral("x.png")}) {
        test::writeFile(folder.filePath(name), heic);
        const QImage image = PictureReader::read(folder.filePath(name));
        ASSERT_EQ(image.size(), QSize(64, 48)) << name.toStdString();
        // Lossy coding: colours within a tolerance of 24 levels, away from
        // the edge between the halves.
        EXPECT_TRUE(near(image.pixelColor(8, 24), Qt::red, 24)) << image.pixelColor(8, 24).name().toStdString();
        EXPECT_TRUE(near(image.pixelColor(56, 24), Qt::blue, 24)) << image.pixelColor(56, 24).name().toStdString();
    }
    test::writeFile(folder.filePath("cut.heic"), heic.left(heic.size() / 2));
    EXPECT_TRUE(PictureReader::read(folder.filePath("cut.heic")).isNull());
}

TEST(PictureReaderTest, KeepsPicturesAtTheSizeTheyAreShown)
{
    QTemporaryDir folder;
    const QString enormous = folder.filePath("enormous.png");
    test::writeEnormousPng(enormous, 5600);
    const QImage kept = PictureReader::read(enormous, {QSize(200, 120)});
    EXPECT_EQ(kept.size(), QSize(120, 120));
    EXPECT_TRUE(near(kept.pixelColor(20, 60), QColor(200, 40, 40), 2));
    EXPECT_TRUE(near(kept.pixelColor(100, 60), Qt::black, 2));

    // JPEG decodes at about the size asked for, then fits exactly.
    const QString jpeg = folder.filePath("wide.jpg");
    test::writeFile(jpeg, encoded(halves(QSize(1600, 800)), "JPEG"));
    EXPECT_EQ(PictureReader::read(jpeg, {QSize(100, 100)}).size(), QSize(100, 50));
    // A picture that fits is kept as it is.
    EXPECT_EQ(PictureReader::read(jpeg, {QSize(4000, 4000)}).size(), QSize(1600, 800));
}

TEST(PictureReaderTest, FittedSizes)
{
    struct Case {
        QSize size;
        QSize box;
        QSize fitted;
    };
    const Case cases[] = {
        // clang-format off
        {{5600, 5600}, {200, 120}, {120, 120}},
        {{1600, 800},  {100, 100}, {100, 50}},
        {{800, 1600},  {100, 100}, {50, 100}},
        {{50, 40},     {100, 100}, {50, 40}},   // fits already
        {{5600, 5600}, {},         {5600, 5600}}, // no box
        {{100000, 1},  {100, 100}, {100, 1}},   // never below a pixel
        // clang-format on
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureReader::fittedSize(c.size, c.box), c.fitted) << c.size.width() << "x" << c.size.height();
}

} // namespace
} // namespace velmora
