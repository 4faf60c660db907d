#include "core/SettingsStore.h"
#include "look/BrandMark.h"
#include "settings/AboutSettingsTab.h"
#include "settings/AboutWindowController.h"
#include "settings/SettingsViewModel.h"
#include "skin/SkinLoader.h"

#include "core/WebService.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace velmora {
namespace {

QImage picture(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// A cache over a folder of "<name>.png" pictures.
BrandMark::Cache cacheOver(const QString& folder)
{
    return BrandMark::Cache([folder](const QString& name) -> std::optional<QImage> {
        QImage image(folder + u'/' + name + QStringLiteral(".png"));
        return image.isNull() ? std::nullopt : std::optional(image);
    });
}

TEST(BrandMarkTest, EachVariantFallsBackToTheOtherAndIsLookedUpOnce)
{
    QTemporaryDir folder;
    const QString light = folder.filePath(QStringLiteral("velmora-mark.png"));
    const QString dark = folder.filePath(QStringLiteral("velmora-mark-dark.png"));
    struct Case {
        const char* name;
        bool hasLight;
        bool hasDark;
        std::optional<QRgb> onLight; // the picture each preference shows
        std::optional<QRgb> onDark;
    };
    const QRgb white = qRgb(250, 250, 250), black = qRgb(5, 5, 5);
    const Case cases[] = {
        {"both", true, true, white, black},
        {"only the light one", true, false, white, white},
        {"only the dark one", false, true, black, black},
        {"neither", false, false, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        QFile::remove(light);
        QFile::remove(dark);
        if (c.hasLight)
            picture(8, 8, white).save(light);
        if (c.hasDark)
            picture(8, 8, black).save(dark);
        BrandMark::Cache cache = cacheOver(folder.path());
        for (bool onDark : {false, true}) {
            const std::optional<QImage> shown = cache.preferred(onDark);
            const std::optional<QRgb> expected = onDark ? c.onDark : c.onLight;
            EXPECT_EQ(shown ? std::optional(shown->pixel(0, 0)) : std::nullopt, expected) << c.name << " " << onDark;
        }
    }

    // A picture that was missing stays missing for the cache's life.
    QFile::remove(light);
    QFile::remove(dark);
    BrandMark::Cache cache = cacheOver(folder.path());
    EXPECT_FALSE(cache.image(false));
    picture(8, 8, white).save(light);
    EXPECT_FALSE(cache.image(false));
    EXPECT_TRUE(cacheOver(folder.path()).image(false));
}

TEST(BrandMarkTest, TheViewKeepsThePicturesProportionsAtTheGivenHeightOrTakesNoSpace)
{
    QTemporaryDir folder;
    picture(200, 100, Qt::red).save(folder.filePath(QStringLiteral("velmora-mark.png")));
    BrandMark::Cache wide = cacheOver(folder.path());
    std::unique_ptr<QLabel> view(BrandMark::view(56, false, nullptr, wide));
    EXPECT_EQ(view->size(), QSize(112, 56));
    EXPECT_FALSE(view->pixmap().isNull());

    QTemporaryDir emptyFolder;
    BrandMark::Cache none = cacheOver(emptyFolder.path());
    std::unique_ptr<QLabel> empty(BrandMark::view(56, true, nullptr, none));
    EXPECT_EQ(empty->size(), QSize(0, 0));
    EXPECT_TRUE(empty->isHidden());
}

TEST(BrandMarkTest, TheBundledLogoHasBothVariants)
{
    const std::optional<QImage> light = BrandMark::Cache::loadFromResources(QStringLiteral("velmora-mark"));
    const std::optional<QImage> dark = BrandMark::Cache::loadFromResources(QStringLiteral("velmora-mark-dark"));
    ASSERT_TRUE(light && dark);
    EXPECT_EQ(light->size(), dark->size());
    EXPECT_EQ(light->width(), light->height());
    // The dark-background variant is the lighter device.
    const QPoint body(light->width() / 2, light->height() * 85 / 100);
    EXPECT_GT(qGray(dark->pixel(body)), qGray(light->pixel(body)) + 60);
}

TEST(AboutWindowTest, OneFixedWindowThatComesBackWhereTheUserLeftIt)
{
    AboutWindowController& about = AboutWindowController::shared();
    EXPECT_EQ(&about, &AboutWindowController::shared());
    QWidget* window = about.window();
    EXPECT_EQ(window->windowTitle(), "About Velmora");
    EXPECT_EQ(window->minimumSize(), QSize(360, 420));
    EXPECT_EQ(window->maximumSize(), QSize(360, 420));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    about.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->move(37, 41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pos() == QPoint(37, 41); }, 20000));
    const QPoint moved = window->pos();
    window->close();
    EXPECT_FALSE(window->isVisible());
    AboutWindowController::shared().showWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), moved);
    window->close();
}

TEST(AboutWindowTest, ShowsTheVersionTheEngineAndLinksToTheWebSite)
{
    AboutView view;
    const auto text = [&](const char* name) { return view.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    EXPECT_EQ(text("name"), "Velmora");
    EXPECT_TRUE(text("version").startsWith(QStringLiteral("Version 0.1.0 ("))) << text("version").toStdString();
    EXPECT_EQ(text("tagline"), "A native skinnable terminal for Linux.");
    EXPECT_EQ(text("engine"), "Terminal engine: Corvel");
    EXPECT_FALSE(view.findChild<QLabel*>(QStringLiteral("symbol"))->pixmap().isNull());

    QUrl opened;
    view.setUrlOpener([&](const QUrl& url) { opened = url; });
    view.websiteLink()->click();
    EXPECT_EQ(opened, WebService::url(QStringLiteral("/")));
    EXPECT_TRUE(opened.isValid());
}

TEST(AboutWindowTest, TheAboutTabHeaderShowsTheLogo)
{
    ASSERT_TRUE(BrandMark::image(false));
    SettingsViewModel settings{SettingsStore::shared(), SkinLoader::shared()};
    AboutSettingsTab tab(settings, QColor(0x00, 0xFF, 0x41));
    auto* logo = tab.findChild<QLabel*>(QStringLiteral("logo"));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->size(), QSize(56, 56));
    // The logo picture, not the 48-pixel symbol drawn in its place otherwise.
    EXPECT_EQ(logo->pixmap().deviceIndependentSize(), QSizeF(56, 56));
}

} // namespace
} // namespace velmora
