#include "look/ColorContrast.h"
#include "look/SymbolIcon.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

TEST(ColorContrastTest, KeepsReadableColoursAndFixesTheOthers)
{
    EXPECT_NEAR(ColorContrast::ratio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(ColorContrast::ratio(Qt::white, Qt::white), 1.0, 0.01);

    const QColor light(0xF0, 0xF0, 0xF0);
    const QColor dark(0x1E, 0x1F, 0x23);
    const QColor phosphor(0x00, 0xFF, 0x41);
    EXPECT_EQ(ColorContrast::readableOn(phosphor, dark), phosphor);
    const QColor onLight = ColorContrast::readableOn(phosphor, light);
    EXPECT_GE(ColorContrast::ratio(onLight, light), 3.0);
    EXPECT_NEAR(onLight.hueF(), phosphor.hueF(), 0.02);
    EXPECT_LT(onLight.lightnessF(), phosphor.lightnessF());

    const QColor navy(0x10, 0x20, 0x60);
    const QColor onDark = ColorContrast::readableOn(navy, dark, 4.0);
    EXPECT_GE(ColorContrast::ratio(onDark, dark), 4.0);
    EXPECT_GT(onDark.lightnessF(), navy.lightnessF());

    EXPECT_EQ(ColorContrast::textOn(phosphor), QColor(Qt::black));
    EXPECT_EQ(ColorContrast::textOn(navy), QColor(Qt::white));
}

TEST(SymbolIconTest, EveryNameTheWindowsUseHasAPictureInItsBox)
{
    const char* names[] = {"terminal.fill",
                           "terminal",
                           "arrow.down.circle.fill",
                           "checkmark.circle.fill",
                           "wifi.slash",
                           "arrow.down.to.line",
                           "checkmark",
                           "paintbrush.fill",
                           "rectangle.grid.2x2.fill",
                           "command",
                           "plus",
                           "arrow.triangle.2.circlepath",
                           "rectangle.stack",
                           "gear",
                           "keyboard.fill",
                           "pencil",
                           "trash",
                           "checkmark.seal.fill",
                           "shuffle",
                           "tray.and.arrow.down",
                           "arrow.uturn.backward.circle",
                           "photo",
                           "photo.on.rectangle.angled",
                           "arrow.counterclockwise",
                           "folder",
                           "wand.and.stars",
                           "crop",
                           "scribble.variable",
                           "eraser",
                           "arrow.uturn.backward",
                           "rectangle.dashed",
                           "exclamationmark.triangle.fill",
                           "eye",
                           "square.and.arrow.up",
                           "square.and.arrow.down",
                           "paintpalette",
                           "chevron.up.chevron.down"};
    for (const char* name : names) {
        EXPECT_TRUE(SymbolIcon::has(name)) << name;
        const QRectF bounds = SymbolIcon::path(name).boundingRect();
        EXPECT_FALSE(bounds.isEmpty()) << name;
        EXPECT_TRUE(QRectF(0, 0, 24, 24).contains(bounds)) << name;
    }
    EXPECT_FALSE(SymbolIcon::has("no.such.symbol"));
    EXPECT_FALSE(SymbolIcon::path("no.such.symbol").isEmpty());
}

TEST(SymbolIconTest, PaintsInTheGivenColourAtTheGivenSize)
{
    const QPixmap pixmap = SymbolIcon::pixmap("checkmark.circle.fill", QColor(255, 0, 0), 32, 2);
    EXPECT_EQ(pixmap.size(), QSize(64, 64));
    const QImage image = pixmap.toImage();
    EXPECT_EQ(image.pixelColor(10, 32), QColor(255, 0, 0)); // the filled disc left of the tick
    EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0); // outside the disc
}

} // namespace
