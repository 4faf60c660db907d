#include "skin/SkinManifestExport.h"

#include "skin/SkinManifestFile.h"
#include "skin/SkinManifestImport.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

namespace velmora {
namespace {

using Export = SkinManifestExport;

const std::vector<QPointF> noOffsets(4, QPointF(0, 0));

TEST(ExportScale, ComesFromHalfThePixelWidthOverTheEditorWidth)
{
    EXPECT_EQ(Export::exportScale(800, 400), 1.0) << "a @2x picture";
    EXPECT_DOUBLE_EQ(Export::exportScale(801, 801), 401.0 / 801.0);
    EXPECT_EQ(Export::exportScale(800, 0), 1.0);
    EXPECT_EQ(Export::exportScale(800, -3), 1.0);

    const Export::Frame frame = Export::Frame::forPicture(QSizeF(801, 600));
    EXPECT_EQ(frame.image, QStringLiteral("frame@2x.png"));
    EXPECT_EQ(frame.width, 401);
    EXPECT_EQ(frame.height, 300);
}

TEST(ExportViewport, RoundsTheRectangleHalvesAwayFromZero)
{
    const Export::Viewport v
        = Export::Viewport::fromEditor(QRectF(2.5, -2.5, 10.4, 10.6), 1.0, noOffsets, {6, 6, 6, 6});
    EXPECT_EQ(v.x, 3);
    EXPECT_EQ(v.y, -3);
    EXPECT_EQ(v.width, 10);
    EXPECT_EQ(v.height, 11);
}

TEST(ExportViewport, FourEqualRadiiWriteTheirScaledCommonRadiusAlone)
{
    const Export::Viewport v = Export::Viewport::fromEditor(QRectF(10, 10, 100, 50), 0.5, noOffsets, {20, 20, 20, 20});
    EXPECT_EQ(v.cornerRadius, 10.0);
    EXPECT_FALSE(v.cornerRadii.has_value());
    EXPECT_FALSE(v.corners.has_value()) << "four zero offsets are a plain rectangle";
}

TEST(ExportViewport, UnequalRadiiAndMovedCornersAreScaledUnrounded)
{
    const Export::Viewport v = Export::Viewport::fromEditor(
        QRectF(0, 0, 100, 50), 0.5, {QPointF(0, 0), QPointF(3, 0), QPointF(0, -5), QPointF(1, 1)}, {5, 7, 7, 7});
    EXPECT_EQ(v.cornerRadius, 2.5) << "the top-left radius, scaled";
    EXPECT_EQ(v.cornerRadii, (std::vector<double>{2.5, 3.5, 3.5, 3.5}));
    ASSERT_TRUE(v.corners.has_value());
    ASSERT_EQ(v.corners->size(), 4u);
    EXPECT_EQ((*v.corners)[1].x, 1.5);
    EXPECT_EQ((*v.corners)[2].y, -2.5);
    EXPECT_FALSE((*v.corners)[1].hi.has_value());

    EXPECT_FALSE(Export::Viewport::exportCornerOffsets({QPointF(1, 1)}, 1).has_value()) << "not four";
    EXPECT_FALSE(Export::Viewport::exportCornerRadii({1, 2}, 1).has_value()) << "not four";
}

struct ButtonCase {
    std::size_t index;
    const char* panel;
    bool circle;
    const char* key;
    std::optional<QString> defaultPanel;
    std::optional<QString> shape;
    std::optional<QString> writtenKey;
};

class ExportButtonTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ExportButtonTest, FollowsThePanelShapeAndKeyRules)
{
    const ButtonCase& c = GetParam();
    const Export::Button b = Export::Button::fromEditor(c.index,
                                                        QStringLiteral("B"),
                                                        QRectF(10.5, 20, 30, 40),
                                                        1.0,
                                                        c.circle,
                                                        QString::fromUtf8(c.panel),
                                                        QString::fromUtf8(c.key));
    EXPECT_EQ(b.defaultPanel, c.defaultPanel);
    EXPECT_EQ(b.shape, c.shape);
    EXPECT_EQ(b.key, c.writtenKey);
    EXPECT_EQ(b.x, 11);
    EXPECT_EQ(b.label, QStringLiteral("B"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Buttons, ExportButtonTest,
    ::testing::Values(ButtonCase{0, "placeholder", false, "", QStringLiteral("terminal"), std::nullopt, std::nullopt},
                      ButtonCase{0, "music", true, "Return", QStringLiteral("terminal"), QStringLiteral("circle"), QStringLiteral("return")},
                      ButtonCase{1, "placeholder", false, "x", std::nullopt, std::nullopt, QStringLiteral("x")},
                      ButtonCase{2, "music", false, "", QStringLiteral("music"), std::nullopt, std::nullopt}));
// clang-format on

TEST(ExportEffects, HoldOnlyTheSwitchedOnEffects)
{
    EXPECT_FALSE(Export::Effects::fromEditor(false, 0.3, "heavy", false, 0.4, false, 0.2).has_value());

    const auto scanlines = Export::Effects::fromEditor(true, 0.3, "standard", false, 0.4, false, 0.2);
    ASSERT_TRUE(scanlines.has_value());
    EXPECT_EQ(scanlines->toJson(), (QJsonObject{{"scanlines", true}, {"scanlineIntensity", 0.3}}));

    const auto all = Export::Effects::fromEditor(true, 0.5, "rolling", true, 0.6, true, 0.1);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->toJson(),
              (QJsonObject{{"scanlines", true},
                           {"scanlineIntensity", 0.5},
                           {"scanlineStyle", "rolling"},
                           {"glow", true},
                           {"glowIntensity", 0.6},
                           {"curvature", true},
                           {"curvatureAmount", 0.1}}));
}

TEST(ExportDrawer, StraightNodesHaveNoHandles)
{
    const auto straight = Export::Point::fromNode(QPointF(2, 4), QPointF(2, 4), QPointF(2, 4), 0.5);
    EXPECT_EQ(straight.toJson(), (QJsonObject{{"x", 1}, {"y", 2}}));
    const auto curved = Export::Point::fromNode(QPointF(2, 4), QPointF(2, 4), QPointF(6, 8), 0.5);
    EXPECT_EQ(curved.toJson(), (QJsonObject{{"x", 1}, {"y", 2}, {"hi", QJsonArray{1, 2}}, {"ho", QJsonArray{3, 4}}}));

    const auto rect = Export::Viewport::rectangleFromEditor(QRectF(1, 1, 3, 3), 0.5);
    EXPECT_EQ(rect.toJson(), (QJsonObject{{"x", 1}, {"y", 1}, {"width", 2}, {"height", 2}, {"cornerRadius", 0}}));
}

// A skin as the builder would fill it from a @1x picture of 801 by 600
// pixels shown at 801 by 600 points (k just above one half).
Export sampleSkin()
{
    const double k = Export::exportScale(801, 801);
    Export skin;
    skin.name = QStringLiteral("Pocket Unit");
    skin.author = QStringLiteral("Someone");
    skin.frame = Export::Frame::forPicture(QSizeF(801, 600));
    skin.viewport = Export::Viewport::fromEditor(QRectF(100, 120, 400, 300), k, noOffsets, {12, 12, 12, 12});
    skin.palette = {QStringLiteral("#33FF66"), QStringLiteral("#0A0A0A"), QStringLiteral("#FFFFFF"), std::nullopt};
    skin.buttons
        = {Export::Button::fromEditor(0, QStringLiteral("A"), QRectF(10, 500, 40, 40), k, true, "placeholder", "A"),
           Export::Button::fromEditor(1, QStringLiteral(""), QRectF(60, 500, 40, 40), k, false, "placeholder", "")};
    skin.effects = Export::Effects::fromEditor(false, 0.3, "standard", true, 0.45, false, 0.2);
    skin.drawer = Export::Drawer{
        QStringLiteral("left"),
        std::vector<Export::Point>{Export::Point::fromNode(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1), k),
                                   Export::Point::fromNode(QPointF(9, 1), QPointF(8, 0), QPointF(10, 2), k)},
        Export::Viewport::rectangleFromEditor(QRectF(0, 0, 50, 80), k),
        std::nullopt,
        QStringLiteral("clock")};
    skin.launchScale = 1.25;
    skin.screenInFront = false;
    return skin;
}

TEST(ExportEncoding, WritesRequiredKeysSortedAndNoNulls)
{
    Export skin = sampleSkin();
    skin.author.reset();
    skin.drawer.reset();
    const QByteArray bytes = skin.encode();
    EXPECT_FALSE(bytes.contains("null"));
    EXPECT_FALSE(bytes.contains("\"author\""));
    EXPECT_FALSE(bytes.contains("\"keys\""));
    EXPECT_TRUE(bytes.contains("\"version\": \"1.0\""));
    const QList<QByteArray> order{"\"buttons\"",
                                  "\"effects\"",
                                  "\"frame\"",
                                  "\"launchScale\"",
                                  "\"name\"",
                                  "\"palette\"",
                                  "\"screenInFront\"",
                                  "\"version\"",
                                  "\"viewport\""};
    for (qsizetype i = 1; i < order.size(); ++i)
        EXPECT_LT(bytes.indexOf(order[i - 1]), bytes.indexOf(order[i])) << order[i].constData();
}

TEST(ExportImportRoundTrip, EveryFieldComesBack)
{
    const Export written = sampleSkin();
    QString error;
    const auto read = SkinManifestImport::decode(written.encode(), &error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();
    EXPECT_EQ(read->name, written.name);
    EXPECT_EQ(read->author, written.author);
    EXPECT_EQ(read->version, QStringLiteral("1.0"));
    EXPECT_EQ(read->frame.toJson(), written.frame.toJson());
    EXPECT_EQ(read->viewport.toJson(), written.viewport.toJson());
    EXPECT_EQ(read->palette.foreground, written.palette.foreground);
    EXPECT_EQ(read->palette.background, written.palette.background);
    EXPECT_EQ(read->palette.cursor, written.palette.cursor);
    EXPECT_FALSE(read->palette.ansi.has_value());
    ASSERT_EQ(read->buttons.size(), written.buttons.size());
    for (std::size_t i = 0; i < written.buttons.size(); ++i)
        EXPECT_EQ(read->buttons[i].toJson(), written.buttons[i].toJson()) << i;
    ASSERT_TRUE(read->effects.has_value());
    EXPECT_EQ(read->effects->toJson(), written.effects->toJson());
    ASSERT_TRUE(read->drawer.has_value());
    EXPECT_EQ(read->drawer->toJson(), written.drawer->toJson());
    EXPECT_EQ(read->launchScale, 1.25);
    EXPECT_EQ(read->screenInFront, false);

    // Reopened, the common radius divided by k is the editor's radius again.
    const double k = Export::exportScale(801, 801);
    EXPECT_FALSE(read->viewport.cornerRadii.has_value());
    EXPECT_DOUBLE_EQ(*read->viewport.cornerRadius / k, 12.0);
}

TEST(ExportImportRoundTrip, TheRunTimeReaderLoadsWhatTheBuilderWrites)
{
    const Export written = sampleSkin();
    const auto file = SkinManifestFile::decode(written.encode());
    ASSERT_TRUE(file.has_value());
    const SkinManifest skin = file->toSkinManifest(QStringLiteral("/skins/pocket-unit"), false);
    EXPECT_EQ(skin.frameSize, QSizeF(401, 300));
    EXPECT_DOUBLE_EQ(skin.viewportCornerRadius, 12 * Export::exportScale(801, 801));
    EXPECT_EQ(skin.buttons.front().key, QStringLiteral("a"));
    EXPECT_EQ(skin.frameImageName, QStringLiteral("/skins/pocket-unit/frame@2x.png"));
}

class ExportFolderTest : public test::TemporaryHome {};

TEST_F(ExportFolderTest, WritesSkinJSONIntoTheFolderAndReadsItBack)
{
    const QString folder = root() + QStringLiteral("/pocket-unit");
    QDir().mkpath(folder);
    test::writeFile(folder + QStringLiteral("/skin.json"), "old");
    QString error;
    ASSERT_TRUE(sampleSkin().writeSkinJSON(folder, &error)) << error.toStdString();
    EXPECT_EQ(test::readFile(folder + QStringLiteral("/skin.json")), sampleSkin().encode());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"skin.json"});

    QString message;
    EXPECT_TRUE(SkinManifestImport::readFolder(folder, &message).has_value());
    EXPECT_FALSE(sampleSkin().writeSkinJSON(root() + QStringLiteral("/no/such/folder"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace velmora
