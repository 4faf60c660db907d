#include "skin/SkinManifest.h"

#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(BuiltInSkins, HandheldAndWalkieHoldTheirValues)
{
    const SkinManifest& handheld = SkinManifest::handheld();
    EXPECT_EQ(handheld.id, QStringLiteral("handheld"));
    EXPECT_EQ(handheld.name, QStringLiteral("Handheld v1"));
    EXPECT_EQ(handheld.frameSize, QSizeF(398, 555));
    EXPECT_EQ(handheld.viewportRect, QRectF(58, 82, 282, 172));
    ASSERT_EQ(handheld.buttons.size(), 4u);
    EXPECT_EQ(handheld.buttons[3].rect, QRectF(305, 335, 70, 70));
    EXPECT_EQ(handheld.frameImageName, QStringLiteral("handheld/frame@2x.png"));
    EXPECT_EQ(handheld.viewportCornerRadius, 8);
    EXPECT_TRUE(handheld.isBundled);
    EXPECT_FALSE(handheld.palette.cursor.has_value());
    EXPECT_FALSE(handheld.palette.ansi.has_value());

    const SkinManifest& walkie = SkinManifest::walkie();
    EXPECT_EQ(walkie.name, QStringLiteral("Walkie MK-1"));
    EXPECT_EQ(walkie.frameSize, QSizeF(421, 661));
    ASSERT_EQ(walkie.buttons.size(), 4u);
    EXPECT_EQ(walkie.buttons[1].label, QStringLiteral("SCAN"));
    EXPECT_EQ(walkie.buttons[1].rect, QRectF(132, 375, 80, 48));
    EXPECT_EQ(walkie.frameImageName, QStringLiteral("walkie/Walkie_alpha.png"));
    EXPECT_EQ(walkie.viewportCornerRadius, 6);
}

TEST(BuiltInSkins, OnlyTheHandheldIsProgrammatic)
{
    ASSERT_EQ(SkinManifest::programmaticSkins().size(), 1u);
    EXPECT_EQ(SkinManifest::programmaticSkins().front().id, QStringLiteral("handheld"));
}

class UserFolderTest : public test::TemporaryHome {};

TEST_F(UserFolderTest, OnlyUserSkinsWithAManifestHaveOne)
{
    writeSkin(userSkins(), QStringLiteral("handheld"), test::minimalSkin(QStringLiteral("Mine")));
    writeSkin(userSkins(), QStringLiteral("retro"), test::minimalSkin(QStringLiteral("Retro")));
    QDir().mkpath(userSkins() + QStringLiteral("/empty"));

    EXPECT_FALSE(SkinManifest::handheld().userFolderURL().has_value())
        << "a built-in skin has no user folder even when one bears its id";

    SkinManifest user;
    user.id = QStringLiteral("retro");
    EXPECT_EQ(user.userFolderURL(), userSkins() + QStringLiteral("/retro"));

    user.isBundled = true;
    EXPECT_FALSE(user.userFolderURL().has_value());

    user.isBundled = false;
    user.id = QStringLiteral("empty");
    EXPECT_FALSE(user.userFolderURL().has_value());
}

} // namespace
} // namespace velmora
