#include "skinbuilder/SkinBuilderModel.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/PictureFile.h"

#include "support/BuilderTestSupport.h"
#include "support/HeicPicture.h"
#include "support/HostileFiles.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

namespace velmora {
namespace {

// The PNG without its chunks of that type.
QByteArray withoutChunk(const QByteArray& png, const QByteArray& type)
{
    QByteArray out = png.left(8);
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) != type)
            out += png.mid(at, 12 + length);
        at += 12 + length;
    }
    return out;
}

class SkinBuilderModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString pictureFile(const QString& name, QSize size = QSize(40, 30), qreal pixelsPerPoint = 1)
    {
        return test::savePicture(test::filledPicture(size.width(), size.height(), Qt::white, pixelsPerPoint),
                                 m_folder.filePath(name));
    }
    QString path(const QString& name) const { return m_folder.filePath(name); }

    SkinBuilderModel model{SkinLoader::shared()};

private:
    QTemporaryDir m_folder;
};

TEST_F(SkinBuilderModelTest, ListsWhatIsMissingInOrder)
{
    EXPECT_EQ(model.validationIssues(),
              (QStringList{QStringLiteral("Drop a PNG to start."),
                           QStringLiteral("Skin needs a name."),
                           QStringLiteral("Draw the viewport rect over the screen area.")}));
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("device.png"))));
    model.setSkinName(QStringLiteral(" \t "));
    EXPECT_EQ(model.validationIssues(),
              (QStringList{QStringLiteral("Skin needs a name."),
                           QStringLiteral("Draw the viewport rect over the screen area.")}))
        << "spaces and tabs alone are no name";
    model.setSkinName(QStringLiteral("Pocket"));
    EXPECT_EQ(model.validationIssues(), QStringList{QStringLiteral("Draw the viewport rect over the screen area.")});
    model.setViewport(QRectF(1, 1, 10, 10));
    EXPECT_TRUE(model.validationIssues().isEmpty());
}

TEST_F(SkinBuilderModelTest, LoadingAPictureNamesTheSkinAfterTheFile)
{
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("Retro_pocket-Unit.v2.png"), QSize(40, 30))));
    EXPECT_EQ(model.skinName(), QStringLiteral("Retro pocket Unit.v2"));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Loaded 40x30px"));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(model.imagePixelSize(), QSizeF(40, 30));
    EXPECT_EQ(model.imageGeneration(), 1);
}

TEST_F(SkinBuilderModelTest, TheRecordedResolutionGivesThePointSize)
{
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("retina.png"), QSize(1000, 600), 2)));
    EXPECT_EQ(model.imagePixelSize(), QSizeF(1000, 600));
    EXPECT_EQ(model.imagePointSize(), QSizeF(500, 300));
    const CoordinateConverter converter = model.makeConverter();
    EXPECT_EQ(converter.scale(), 1.0);
    EXPECT_EQ(converter.designSize(), QSizeF(500, 300));

    // A file without a recorded resolution is one point per pixel.
    QFile plain(path(QStringLiteral("plain.png")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write(withoutChunk(PictureFile::encodePNG(test::filledPicture(101, 60, Qt::white)), "pHYs"));
    plain.close();
    ASSERT_TRUE(model.loadImage(plain.fileName()));
    EXPECT_EQ(model.imagePointSize(), QSizeF(101, 60));
    model.setLaunchScale(1.5);
    EXPECT_DOUBLE_EQ(model.makeConverter().scale(), 51.0 / 101.0);
    EXPECT_EQ(model.makeConverter().launchSize(), QSizeF(77, 45)) << "round(51 × 1.5), round(30 × 1.5)";
}

// A HEIC picture opens like any other (dropped, chosen in the open panel or
// handed over by the picker): one point per pixel, named after its file.
TEST_F(SkinBuilderModelTest, OpensHeicPictures)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(30, 160, 60));
    const QByteArray heic = test::heicBytes(picture);
    ASSERT_FALSE(heic.isEmpty()) << "libheif cannot encode HEVC here";
    QFile file(path(QStringLiteral("holiday_photo.heic")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(heic);
    file.close();

    ASSERT_TRUE(model.loadImage(file.fileName()));
    EXPECT_EQ(model.imagePixelSize(), QSizeF(64, 48));
    EXPECT_EQ(model.imagePointSize(), QSizeF(64, 48));
    EXPECT_EQ(model.skinName(), QStringLiteral("holiday photo"));
    const QColor centre = model.skinImage().pixelColor(32, 24);
    EXPECT_NEAR(centre.red(), 30, 16);
    EXPECT_NEAR(centre.green(), 160, 16);
    EXPECT_NEAR(centre.blue(), 60, 16);
}

// A pipe under a picture's name fails the load at once, like any file that
// is no picture.
TEST_F(SkinBuilderModelTest, APipeIsNoPictureAndIsNotWaitedOn)
{
    test::WatchedFifo fifo(path(QStringLiteral("frame@2x.png")));
    ASSERT_TRUE(fifo.made());
    EXPECT_TRUE(PictureFile::read(path(QStringLiteral("frame@2x.png"))).isNull());
    EXPECT_FALSE(model.loadImage(path(QStringLiteral("frame@2x.png"))));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Failed to load image"));
    EXPECT_FALSE(fifo.rescued()) << "the builder waited on the pipe";
}

TEST_F(SkinBuilderModelTest, AFileThatIsNoPictureChangesOnlyTheStatus)
{
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("first.png"))));
    model.setViewport(QRectF(1, 2, 30, 20));
    QFile text(path(QStringLiteral("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();

    EXPECT_FALSE(model.loadImage(text.fileName()));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Failed to load image"));
    EXPECT_TRUE(model.statusIsError());
    EXPECT_EQ(model.skinName(), QStringLiteral("first"));
    EXPECT_EQ(model.viewport(), QRectF(1, 2, 30, 20));
    EXPECT_EQ(model.imageGeneration(), 1);
}

TEST_F(SkinBuilderModelTest, ASecondPictureKeepsTheLookButNotTheGeometry)
{
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("first.png"))));
    model.setFgColor(QColor(1, 2, 3));
    model.setGlow(true);
    model.setAuthor(QStringLiteral("Ada"));
    model.setDrawerEnabled(true);
    model.setViewport(QRectF(1, 2, 30, 20));
    model.setViewportCornerRadii({1, 2, 3, 4});
    model.setButtons({ButtonDef{}});
    model.setCurrentTool(DrawTool::magicWand);
    model.magicWandErase(QPointF(1, 1), 10);
    ASSERT_EQ(model.history().count(), 1u);

    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("second.png"))));
    EXPECT_EQ(model.fgColor(), QColor(1, 2, 3));
    EXPECT_TRUE(model.glow());
    EXPECT_EQ(model.author(), QStringLiteral("Ada"));
    EXPECT_TRUE(model.drawerEnabled());
    EXPECT_FALSE(model.viewport().has_value());
    EXPECT_EQ(model.viewportCornerRadii(), (std::vector<double>{6, 6, 6, 6}));
    EXPECT_TRUE(model.buttons().empty());
    EXPECT_EQ(model.history().count(), 0u);
    EXPECT_EQ(model.currentTool(), DrawTool::viewport);
    EXPECT_EQ(model.imageGeneration(), 3);
}

TEST_F(SkinBuilderModelTest, NewKeepsTheCuratedPaletteColoursOnly)
{
    ASSERT_TRUE(model.loadImage(pictureFile(QStringLiteral("first.png"))));
    const std::vector<QColor> ansi(16, QColor(9, 9, 9));
    model.setAnsiColors(ansi);
    model.setLastShuffledId(QStringLiteral("dracula"));
    model.setFgColor(QColor(1, 2, 3));
    model.setCursorColor(QColor(4, 5, 6));
    model.setMagicWandTolerance(70);
    model.setStatus(QStringLiteral("busy"), true);

    QSignalSpy changes(&model, &SkinBuilderModel::changed);
    model.reset();
    EXPECT_EQ(changes.count(), 1) << "one notification for the whole reset";
    EXPECT_FALSE(model.hasImage());
    EXPECT_EQ(model.imageGeneration(), 0);
    EXPECT_EQ(model.ansiColors(), ansi);
    EXPECT_EQ(model.lastShuffledId(), QStringLiteral("dracula"));
    EXPECT_EQ(model.magicWandTolerance(), 70);
    EXPECT_EQ(model.fgColor(), SkinBuilderModel::defaultForeground());
    EXPECT_FALSE(model.cursorColor().has_value());
    EXPECT_FALSE(model.statusMessage().has_value());
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(model.skinName(), QString());
}

TEST(PanelType, MatchesRawValuesExactly)
{
    EXPECT_EQ(panelTypeFromRaw(QStringLiteral("terminal")), PanelType::terminal);
    EXPECT_EQ(panelTypeFromRaw(QStringLiteral("placeholder")), PanelType::placeholder);
    EXPECT_FALSE(panelTypeFromRaw(QStringLiteral("Terminal")).has_value());
    for (PanelType panel : allPanelTypes)
        EXPECT_EQ(panelTypeFromRaw(rawValue(panel)), panel);
    EXPECT_EQ(drawerEdgeFromRaw(QStringLiteral("left")), DrawerEdge::left);
    EXPECT_FALSE(drawerEdgeFromRaw(QStringLiteral("LEFT")).has_value());
}

struct ResolutionCase {
    const char* name;
    QByteArray header;
    std::optional<int> dpi;
};

QByteArray pngWithPhys(quint32 perUnit, quint8 unit)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += QByteArray("\0\0\0\x0dIHDR", 8) + QByteArray(13 + 4, '\0');
    png += QByteArray("\0\0\0\x09pHYs", 8);
    for (int i = 0; i < 2; ++i)
        for (int shift = 24; shift >= 0; shift -= 8)
            png += char((perUnit >> shift) & 0xFF);
    png += char(unit);
    png += QByteArray(4, '\0');
    return png;
}

QByteArray jfif(quint8 units, quint16 density)
{
    QByteArray jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01", 13);
    jpeg += char(units);
    jpeg += char(density >> 8);
    jpeg += char(density & 0xFF);
    jpeg += char(density >> 8);
    jpeg += char(density & 0xFF);
    jpeg += QByteArray(2, '\0');
    return jpeg;
}

class RecordedResolutionTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(RecordedResolutionTest, IsReadFromTheFileHeader)
{
    EXPECT_EQ(PictureFile::recordedDotsPerInch(GetParam().header), GetParam().dpi);
}

INSTANTIATE_TEST_SUITE_P(Files, RecordedResolutionTest,
                         ::testing::Values(ResolutionCase{"png144", pngWithPhys(5669, 1), 144},
                                           ResolutionCase{"png72", pngWithPhys(2835, 1), 72},
                                           ResolutionCase{"pngAspectOnly", pngWithPhys(1, 0), std::nullopt},
                                           ResolutionCase{"jpegInches", jfif(1, 300), 300},
                                           ResolutionCase{"jpegCentimetres", jfif(2, 118), 300},
                                           ResolutionCase{"jpegAspectOnly", jfif(0, 1), std::nullopt},
                                           ResolutionCase{"other", QByteArray("GIF89a"), std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora
