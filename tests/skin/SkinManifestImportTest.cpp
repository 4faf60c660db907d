#include "skin/SkinManifestImport.h"

#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace velmora {
namespace {

QJsonObject builderSkin()
{
    return QJsonObject{
        {"name", "Pocket"},
        {"frame", QJsonObject{{"image", "frame@2x.png"}, {"width", 400}, {"height", 300}}},
        {"viewport", QJsonObject{{"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"cornerRadius", 6}}},
        {"palette", QJsonObject{}},
        {"buttons", QJsonArray{QJsonObject{{"label", ""}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}}}},
    };
}

struct ImportCase {
    const char* description;
    const char* section; // "" for the top level
    const char* key;
    QJsonValue value; // Undefined removes the key
    bool decodes;
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.description; }

class SkinManifestImportTest : public ::testing::TestWithParam<ImportCase> {};

TEST_P(SkinManifestImportTest, DecodesStrictlyByTheSchema)
{
    const ImportCase& c = GetParam();
    QJsonObject json = builderSkin();
    const QString key = QString::fromUtf8(c.key);
    if (*c.section) {
        QJsonObject section = json.value(QString::fromUtf8(c.section)).toObject();
        c.value.isUndefined() ? void(section.remove(key)) : void(section.insert(key, c.value));
        json.insert(QString::fromUtf8(c.section), section);
    } else {
        c.value.isUndefined() ? void(json.remove(key)) : void(json.insert(key, c.value));
    }
    QString error;
    EXPECT_EQ(SkinManifestImport::decode(test::toBytes(json), &error).has_value(), c.decodes)
        << c.description << ": " << error.toStdString();
}

const QJsonValue removed(QJsonValue::Undefined);

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, SkinManifestImportTest,
    ::testing::Values(
        ImportCase{"the smallest builder file", "", "unused", removed, true},
        ImportCase{"no corner radius", "viewport", "cornerRadius", removed, false},
        ImportCase{"null corner radius", "viewport", "cornerRadius", QJsonValue::Null, false},
        ImportCase{"numeric author", "", "author", 7, false},
        ImportCase{"null author", "", "author", QJsonValue::Null, true},
        ImportCase{"no version", "", "version", removed, true},
        ImportCase{"numeric version", "", "version", 1, false},
        ImportCase{"no palette", "", "palette", removed, false},
        ImportCase{"palette with foreground only", "palette", "foreground", "#ffffff", true},
        ImportCase{"numeric cursor", "palette", "cursor", 3, false},
        ImportCase{"no buttons", "", "buttons", removed, false},
        ImportCase{"button with numeric shape", "", "buttons",
                   QJsonArray{QJsonObject{{"label", ""}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"shape", 1}}}, false},
        ImportCase{"no frame image", "frame", "image", removed, false},
        ImportCase{"category is ignored", "", "category", 5, true},
        ImportCase{"colour grade in effects is ignored", "", "effects", QJsonObject{{"colorGrade", 5}, {"glow", true}}, true},
        ImportCase{"numeric scanline style", "", "effects", QJsonObject{{"scanlineStyle", 5}}, false},
        ImportCase{"drawer without edge", "", "drawer", QJsonObject{{"defaultWidget", "x"}}, false},
        ImportCase{"drawer viewport without radius", "", "drawer",
                   QJsonObject{{"edge", "Top"}, {"viewport", QJsonObject{{"x", 1}, {"y", 1}, {"width", 1}, {"height", 1}}}}, false},
        ImportCase{"mask handle with text", "", "drawer",
                   QJsonObject{{"edge", "top"}, {"mask", QJsonArray{QJsonObject{{"x", 1}, {"y", 1}, {"hi", QJsonArray{1, "2"}}}}}}, false},
        ImportCase{"keys are read", "", "keys",
                   QJsonArray{QJsonObject{{"key", "Space"}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"shape", "circle"}}}, true},
        ImportCase{"screen in front as text", "", "screenInFront", "yes", false}),
    [](const ::testing::TestParamInfo<ImportCase>& info) {
        std::string name;
        for (const char* p = info.param.description; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });
// clang-format on

TEST(SkinManifestImportValues, KeepsWhatTheFileSays)
{
    QJsonObject json = builderSkin();
    json["keys"] = QJsonArray{QJsonObject{{"key", "Space"}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}}};
    json["drawer"]
        = QJsonObject{{"edge", "Left"},
                      {"chevron", QJsonObject{{"x", 1}, {"y", 1}, {"width", 1}, {"height", 1}, {"cornerRadius", 2}}}};
    const auto file = SkinManifestImport::decode(test::toBytes(json));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->viewport.cornerRadius, 6);
    EXPECT_FALSE(file->palette.foreground.has_value());
    ASSERT_TRUE(file->keys.has_value());
    EXPECT_EQ(file->keys->front().key, QStringLiteral("Space")) << "the builder keeps the key as stored";
    ASSERT_TRUE(file->drawer.has_value());
    EXPECT_EQ(file->drawer->edge, QStringLiteral("Left"));
    ASSERT_TRUE(file->drawer->chevron.has_value());
    EXPECT_EQ(file->drawer->chevron->cornerRadius, 2);
    EXPECT_FALSE(file->launchScale.has_value());
    EXPECT_FALSE(file->screenInFront.has_value());
}

class ImportFolderTest : public test::TemporaryHome {};

TEST_F(ImportFolderTest, GivesTheUsersMessages)
{
    QString message;
    EXPECT_FALSE(SkinManifestImport::readFolder(root() + QStringLiteral("/empty"), &message).has_value());
    EXPECT_EQ(message, QStringLiteral("No skin.json in that folder."));

    QJsonObject noRadius = builderSkin();
    noRadius["viewport"] = QJsonObject{{"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}};
    const QString folder = writeSkin(root(), QStringLiteral("hand-made"), noRadius);
    EXPECT_FALSE(SkinManifestImport::readFolder(folder, &message).has_value());
    EXPECT_EQ(message, QStringLiteral("skin.json is malformed."));

    writeSkin(root(), QStringLiteral("hand-made"), builderSkin());
    EXPECT_TRUE(SkinManifestImport::readFolder(folder, &message).has_value());
}

} // namespace
} // namespace velmora
