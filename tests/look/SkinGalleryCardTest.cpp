#include "look/SkinGalleryCard.h"
#include "look/SkinDevicePreview.h"
#include "look/SkinPreviewImageCache.h"
#include "look/SkinScreenContent.h"

#include "core/AppPaths.h"
#include "support/HostileFiles.h"
#include "support/ScopedEnvironment.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace velmora;

SkinManifest skinWith(std::optional<QString> image, QSizeF frame = QSizeF(200, 300),
                      QRectF viewport = QRectF(20, 40, 160, 100))
{
    SkinManifest skin = SkinManifest::walkie();
    skin.id = "test";
    skin.name = "Test";
    skin.frameImageName = std::move(image);
    skin.frameSize = frame;
    skin.viewportRect = viewport;
    skin.viewportCornerRadius = 6;
    skin.palette.foreground = QColor(0x00, 0xFF, 0x80);
    skin.palette.background = QColor(0x10, 0x20, 0x30);
    skin.palette.cursor.reset();
    skin.keys.clear();
    skin.isBundled = false;
    return skin;
}

QRectF rect(qreal x, qreal y, qreal w, qreal h) { return QRectF(x, y, w, h); }

TEST(SkinDevicePreviewTest, FitsTheFrameAndPlacesTheScreenInIt)
{
    const struct {
        const char* what;
        QSizeF offered;
        QSizeF frame;
        QRectF viewport;
        QRectF expectedFrame;
        QRectF expectedScreen;
    } cases[] = {
        {"wider than the area: fitted to its width, centred vertically",
         {200, 156},
         {400, 200},
         {40, 20, 200, 100},
         rect(0, 28, 200, 100),
         rect(20, 38, 100, 50)},
        {"taller: fitted to the height, centred horizontally",
         {200, 156},
         {398, 555},
         {58, 82, 282, 172},
         rect((200 - 156 * 398.0 / 555) / 2, 0, 156 * 398.0 / 555, 156),
         rect((200 - 156 * 398.0 / 555) / 2 + 58 * (156.0 / 555),
              82 * (156.0 / 555),
              282 * (156.0 / 555),
              172 * (156.0 / 555))},
        {"same aspect: the whole area",
         {100, 150},
         {200, 300},
         {0, 0, 200, 300},
         rect(0, 0, 100, 150),
         rect(0, 0, 100, 150)},
        {"no width offered: the whole area",
         {0, 156},
         {200, 300},
         {20, 30, 100, 100},
         rect(0, 0, 0, 156),
         rect(0, 30 * (156.0 / 300), 0, 100 * (156.0 / 300))},
        {"no frame width: the whole area",
         {200, 156},
         {0, 300},
         {10, 30, 100, 100},
         rect(0, 0, 200, 156),
         rect(10 * 200, 30 * (156.0 / 300), 100 * 200, 100 * (156.0 / 300))},
        {"a frame height below one counts as one",
         {200, 156},
         {2, 0.5},
         {0, 0, 1, 1},
         rect(0, 28, 200, 100),
         rect(0, 28, 100, 100)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const QRectF frame = SkinDevicePreview::frameRect(row.offered, row.frame);
        const QRectF screen = SkinDevicePreview::screenRect(frame, row.frame, row.viewport);
        for (const auto& [got, want] : {std::pair{frame, row.expectedFrame}, std::pair{screen, row.expectedScreen}}) {
            EXPECT_NEAR(got.x(), want.x(), 1e-9);
            EXPECT_NEAR(got.y(), want.y(), 1e-9);
            EXPECT_NEAR(got.width(), want.width(), 1e-9);
            EXPECT_NEAR(got.height(), want.height(), 1e-9);
        }
    }
}

TEST(SkinDevicePreviewTest, ScreenMetricsFollowTheScreenSize)
{
    SkinManifest skin = skinWith(std::nullopt);
    skin.viewportRect = QRectF(0, 0, 200, 100);
    skin.viewportCornerRadius = 10;
    SkinScreenContent::Metrics m = SkinScreenContent::metrics(QSizeF(100, 50), skin);
    EXPECT_DOUBLE_EQ(m.cornerRadius, 5);
    EXPECT_DOUBLE_EQ(m.fontSize, 8.5);
    EXPECT_DOUBLE_EQ(m.rowSpacing, 3);
    EXPECT_DOUBLE_EQ(m.insetX, 10);
    EXPECT_DOUBLE_EQ(m.insetY, 6);
    EXPECT_DOUBLE_EQ(m.outputBar.width(), 42);
    EXPECT_DOUBLE_EQ(m.outputBar.height(), 8.5 * 0.6);
    EXPECT_DOUBLE_EQ(m.cursor.width(), 8.5 * 0.55);
    EXPECT_DOUBLE_EQ(m.glowRadius, 7);

    // Tiny screens keep their floors; a flat screen area counts as one high.
    skin.viewportRect = QRectF(0, 0, 200, 0);
    m = SkinScreenContent::metrics(QSizeF(20, 10), skin);
    EXPECT_DOUBLE_EQ(m.cornerRadius, 100);
    EXPECT_DOUBLE_EQ(m.fontSize, 4.5);
    EXPECT_DOUBLE_EQ(m.rowSpacing, 1);
    EXPECT_DOUBLE_EQ(m.glowRadius, 2);
    skin.viewportCornerRadius = 0;
    EXPECT_DOUBLE_EQ(SkinScreenContent::metrics(QSizeF(20, 10), skin).cornerRadius, 2);
}

TEST(SkinGalleryCardTest, CaptionAndOriginBadgeComeFromTheSkin)
{
    const struct {
        QSizeF frame;
        const char* caption;
    } sizes[] = {
        {{398, 555}, "398 × 555"},
        {{421, 661}, "421 × 661"},
        {{420.9, 661.99}, "420 × 661"},
        {{0.4, 0}, "0 × 0"},
        {{1e20, 1}, "100000000000000000000 × 1"},
    };
    for (const auto& row : sizes)
        EXPECT_EQ(SkinGalleryCard::sizeCaption(row.frame), QString::fromUtf8(row.caption));

    const QPalette palette = QApplication::palette();
    const struct {
        std::optional<QString> image;
        const char* text;
        QColor color;
    } badges[] = {
        {std::nullopt, "FALLBACK", QColor(0xFF, 0x95, 0x00)},
        {"/home/me/.local/share/Velmora/skins/neon/frame.png", "ON DISK", QColor(0x00, 0x7A, 0xFF)},
        {"handheld/frame@2x.png", "BUILT-IN", palette.color(QPalette::WindowText)},
    };
    for (const auto& row : badges) {
        const SkinGalleryCard::Badge badge = SkinGalleryCard::originBadgeFor(skinWith(row.image), palette);
        EXPECT_EQ(badge.text, row.text);
        EXPECT_EQ(badge.color.rgb(), row.color.rgb()) << row.text;
    }
}

class GalleryCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkinPreviewImageCache::clear();
        QDir(AppPaths::skinsDir()).removeRecursively();
    }

    std::unique_ptr<SkinGalleryCard> make(const SkinManifest& skin, bool isDefault)
    {
        auto card = std::make_unique<SkinGalleryCard>(
            skin,
            isDefault,
            [this] { calls.append("use"); },
            [this] { calls.append("default"); },
            [this] { calls.append("delete"); });
        card->resize(240, 260);
        card->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(card.get()));
        return card;
    }

    QStringList calls;
};

TEST_F(GalleryCardTest, TheDefaultSkinShowsItsMarkAndBadgeInsteadOfTheKeyboard)
{
    SkinManifest skin = skinWith("handheld/frame@2x.png");
    skin.keys = {{QRectF(0, 0, 1, 1), "a", std::nullopt}, {QRectF(0, 0, 1, 1), "b", std::nullopt}};

    auto card = make(skin, true);
    EXPECT_EQ(card->makeDefaultButton(), nullptr);
    ASSERT_NE(card->defaultMark(), nullptr);
    ASSERT_NE(card->cornerBadge(), nullptr);
    EXPECT_EQ(card->cornerBadge()->accessibleName(), "DEFAULT");
    EXPECT_EQ(card->originBadge()->accessibleName(), "BUILT-IN");
    // The badges sit in the preview's top corners, 6 points in.
    EXPECT_EQ(card->originBadge()->pos(), QPoint(6, 6));
    EXPECT_EQ(card->cornerBadge()->geometry().right(), card->preview()->width() - 6 - 1);
    EXPECT_EQ(card->preview()->height(), 156);
    card->useNowButton()->click();
    EXPECT_EQ(calls, QStringList({"use"}));

    auto other = make(skin, false);
    ASSERT_NE(other->makeDefaultButton(), nullptr);
    EXPECT_EQ(other->defaultMark(), nullptr);
    ASSERT_NE(other->cornerBadge(), nullptr);
    EXPECT_EQ(other->cornerBadge()->toolTip(), "Keyboard-reactive: 2 keys mapped");
    other->makeDefaultButton()->click();
    EXPECT_EQ(calls, QStringList({"use", "default"}));

    skin.keys.clear();
    EXPECT_EQ(make(skin, false)->cornerBadge(), nullptr);
}

TEST_F(GalleryCardTest, OnlyUserSkinsHaveADeleteButtonThatShowsOnHover)
{
    EXPECT_EQ(make(SkinManifest::handheld(), false)->deleteButton(), nullptr);

    SkinManifest user = skinWith(AppPaths::skinsDir() + "/neon/frame.png");
    user.id = "neon";
    EXPECT_EQ(make(user, false)->deleteButton(), nullptr) << "the folder has no skin.json";
    velmora::test::writeFile(AppPaths::skinsDir() + "/neon/skin.json", "{}");

    auto card = make(user, false);
    ASSERT_NE(card->deleteButton(), nullptr);
    EXPECT_EQ(card->deleteButton()->toolTip(), "Delete this skin");
    EXPECT_DOUBLE_EQ(card->deleteOpacity(), 0.001);
    // Nearly invisible, but a click still reaches it.
    card->deleteButton()->click();
    EXPECT_EQ(calls, QStringList({"delete"}));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(card.get(), &enter);
    EXPECT_TRUE(card->isHovering());
    QTRY_COMPARE(card->deleteOpacity(), 1.0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(card.get(), &leave);
    QTRY_COMPARE(card->deleteOpacity(), 0.001);
}

TEST_F(GalleryCardTest, DrawsThePictureOrAGreyBodyWithTheScreenOnTop)
{
    QTemporaryDir folder;
    const QString picture = folder.filePath("frame.png");
    velmora::test::writeFile(picture, velmora::test::pngBytes(QColor(200, 30, 30), QSize(200, 300)));

    const auto render = [](const SkinManifest& skin) {
        SkinDevicePreview preview(skin);
        preview.resize(200, 156);
        QImage image(preview.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        preview.render(&image);
        return image;
    };
    const auto countOf = [](const QImage& image, const QRectF& area, const QColor& color) {
        int n = 0;
        const QRect inside = area.toAlignedRect().intersected(image.rect());
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x)
                n += image.pixelColor(x, y) == color ? 1 : 0;
        }
        return n;
    };

    SkinManifest skin = skinWith(picture);
    SkinDevicePreview geometry(skin);
    geometry.resize(200, 156);
    const QRectF frame = geometry.frameRect();
    const QRectF screen = geometry.screenRect();
    QImage image = render(skin);
    EXPECT_EQ(image.pixelColor(QPointF(frame.center().x(), frame.bottom() - 6).toPoint()), QColor(200, 30, 30));
    EXPECT_EQ(image.pixelColor(QPointF(screen.right() - 4, screen.bottom() - 4).toPoint()), QColor(0x10, 0x20, 0x30));
    // Without a cursor colour the cursor block is drawn in the foreground.
    EXPECT_GT(countOf(image, screen, QColor(0x00, 0xFF, 0x80)), 4);
    EXPECT_EQ(countOf(image, screen, QColor(0xFF, 0x00, 0xFF)), 0);
    skin.palette.cursor = QColor(0xFF, 0x00, 0xFF);
    EXPECT_GT(countOf(render(skin), screen, QColor(0xFF, 0x00, 0xFF)), 4);

    // A missing picture gives the grey body, darker at the bottom.
    image = render(skinWith(folder.filePath("missing.png")));
    const QColor top = image.pixelColor(QPointF(frame.center().x(), frame.top() + 3).toPoint());
    const QColor bottom = image.pixelColor(QPointF(frame.center().x(), frame.bottom() - 3).toPoint());
    EXPECT_NEAR(top.redF(), 0.18, 0.03);
    EXPECT_NEAR(bottom.redF(), 0.11, 0.03);
    EXPECT_EQ(top.red(), top.blue());
    EXPECT_EQ(image.pixelColor(QPointF(screen.right() - 4, screen.bottom() - 4).toPoint()), QColor(0x10, 0x20, 0x30));
}

TEST_F(GalleryCardTest, TheCacheReadsEachPictureOnceUntilCleared)
{
    QTemporaryDir folder;
    const QString picture = folder.filePath("frame.png");
    EXPECT_TRUE(SkinPreviewImageCache::image(picture).isNull());
    EXPECT_FALSE(SkinPreviewImageCache::contains(picture)) << "a failure is not remembered";

    velmora::test::writeFile(picture, velmora::test::pngBytes(Qt::red, QSize(4, 4)));
    EXPECT_EQ(SkinPreviewImageCache::image(picture).pixelColor(0, 0), QColor(Qt::red));
    velmora::test::writeFile(picture, velmora::test::pngBytes(Qt::blue, QSize(4, 4)));
    EXPECT_EQ(SkinPreviewImageCache::image(picture).pixelColor(0, 0), QColor(Qt::red)) << "read once";
    SkinPreviewImageCache::clear();
    EXPECT_EQ(SkinPreviewImageCache::image(picture).pixelColor(0, 0), QColor(Qt::blue));

    // Relative names are read from the resource folder's skins.
    QTemporaryDir bundle;
    const velmora::test::ScopedEnvironment resources("VELMORA_RESOURCES_DIR", bundle.path().toUtf8());
    velmora::test::writeFile(bundle.filePath("Skins/handheld/frame@2x.png"),
                             velmora::test::pngBytes(Qt::green, QSize(4, 4)));
    EXPECT_EQ(SkinPreviewImageCache::image("handheld/frame@2x.png").pixelColor(0, 0), QColor(Qt::green));
}

// A pipe named as a picture is no picture, at once; an enormous picture is
// kept at the size the miniature shows it; the table holds a bounded amount.
TEST_F(GalleryCardTest, TheCacheNeitherWaitsOnAPipeNorHoldsWholePictures)
{
    QTemporaryDir folder;
    const QString piped = folder.filePath("piped.png");
    {
        velmora::test::WatchedFifo fifo(piped);
        ASSERT_TRUE(fifo.made());
        SkinDevicePreview preview(skinWith(piped));
        preview.resize(200, 156);
        preview.grab();
        EXPECT_FALSE(SkinPreviewImageCache::contains(piped));
        EXPECT_FALSE(fifo.rescued()) << "the gallery waited on the pipe";
    }

    const QString enormous = folder.filePath("enormous.png");
    velmora::test::writeEnormousPng(enormous, 5600);
    SkinDevicePreview preview(skinWith(enormous, QSizeF(300, 300)));
    preview.resize(200, 156);
    preview.grab();
    const QSize shown = (preview.frameRect().size() * preview.devicePixelRatioF()).toSize();
    const QImage kept = SkinPreviewImageCache::image(enormous, shown);
    EXPECT_LE(kept.width(), shown.width() + 1);
    EXPECT_LE(kept.height(), shown.height() + 1);
    EXPECT_LT(SkinPreviewImageCache::bytesHeld(), 1024 * 1024);
    // A larger box reads the picture again at that size.
    EXPECT_EQ(SkinPreviewImageCache::image(enormous, QSize(600, 600)).size(), QSize(600, 600));

    // Twenty pictures of 4 MiB each, asked for at full size: the table keeps
    // no more than its bound, the ones used last.
    SkinPreviewImageCache::clear();
    for (int i = 0; i < 20; ++i) {
        const QString name = folder.filePath(QStringLiteral("big%1.png").arg(i));
        velmora::test::writeFile(name, velmora::test::pngBytes(QColor(i, 0, 0), QSize(1024, 1024)));
        EXPECT_EQ(SkinPreviewImageCache::image(name).size(), QSize(1024, 1024));
        EXPECT_LE(SkinPreviewImageCache::bytesHeld(), SkinPreviewImageCache::maxBytes);
    }
    EXPECT_TRUE(SkinPreviewImageCache::contains(folder.filePath("big19.png")));
    EXPECT_FALSE(SkinPreviewImageCache::contains(folder.filePath("big0.png")));
}

} // namespace
