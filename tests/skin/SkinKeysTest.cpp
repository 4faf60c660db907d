#include "skin/SkinManifestFile.h"

#include "support/SkinOnDisk.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace velmora {
namespace {

// A skin file that lists 20,000 key areas gives the first maxKeys of them,
// in file order, with their names in lower case: every area is matched and
// drawn on each key press.
TEST(SkinKeysTest, KeyAreasAreCappedInFileOrder)
{
    QJsonArray keys;
    for (int i = 0; i < 20000; ++i)
        keys.append(QJsonObject{{"key", i % 2 ? "A" : "Space"}, {"x", i}, {"y", 1}, {"width", 2}, {"height", 2}});
    QJsonObject json = test::minimalSkin(QStringLiteral("Keyboard"));
    json["keys"] = keys;
    const auto file = SkinManifestFile::decode(test::toBytes(json));
    ASSERT_TRUE(file.has_value());
    const SkinManifest skin = file->toSkinManifest(QStringLiteral("/skins/keyboard"), false);
    ASSERT_EQ(skin.keys.size(), SkinManifest::maxKeys);
    EXPECT_EQ(skin.keys.front().key, QStringLiteral("space"));
    EXPECT_EQ(skin.keys[1].key, QStringLiteral("a"));
    EXPECT_EQ(skin.keys.back().rect.x(), double(SkinManifest::maxKeys - 1));

    // A skin within the cap keeps every area.
    json["keys"] = QJsonArray{keys.at(0), keys.at(1), keys.at(2)};
    EXPECT_EQ(SkinManifestFile::decode(test::toBytes(json))->toSkinManifest("/skins/k", false).keys.size(), 3u);
}

} // namespace
} // namespace velmora
