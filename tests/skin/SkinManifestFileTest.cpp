#include "skin/SkinManifestFile.h"

#include "support/LogCapture.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

#include <sys/stat.h>

namespace velmora {
namespace {

using test::LogCapture;
using test::minimalSkin;
using test::toBytes;

// Sets obj[path...] = value, creating nothing: every parent must exist.
void setAt(QJsonObject& obj, const QStringList& path, const QJsonValue& value)
{
    if (path.size() == 1) {
        if (value.isUndefined())
            obj.remove(path.front());
        else
            obj.insert(path.front(), value);
        return;
    }
    QJsonObject child = obj.value(path.front()).toObject();
    setAt(child, path.mid(1), value);
    obj.insert(path.front(), child);
}

struct DecodeCase {
    const char* description;
    QStringList path;
    QJsonValue value; // Undefined removes the key
    bool loads;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.description; }

class SkinFileDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(SkinFileDecodeTest, AcceptsOrRefusesTheWholeFile)
{
    const DecodeCase& c = GetParam();
    QJsonObject json = minimalSkin(QStringLiteral("Test"));
    setAt(json, c.path, c.value);
    QString error;
    const auto file = SkinManifestFile::decode(toBytes(json), &error);
    EXPECT_EQ(file.has_value(), c.loads) << c.description << ": " << error.toStdString();
    if (!c.loads) {
        EXPECT_FALSE(error.isEmpty());
    }
}

const QJsonValue removed(QJsonValue::Undefined);
QJsonObject pt(double x, double y) { return {{"x", x}, {"y", y}}; }
QJsonObject frame(double width, double height)
{
    return {{"image", "frame@2x.png"}, {"width", width}, {"height", height}};
}
QJsonObject button(const QJsonValue& label)
{
    return {{"label", label}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinFileDecodeTest,
    ::testing::Values(
        DecodeCase{"minimal file", {"unused"}, removed, true}, DecodeCase{"missing name", {"name"}, removed, false},
        DecodeCase{"null name", {"name"}, QJsonValue::Null, false}, DecodeCase{"numeric name", {"name"}, 3, false},
        DecodeCase{"numeric author", {"author"}, 3, false},
        DecodeCase{"null author", {"author"}, QJsonValue::Null, true},
        DecodeCase{"category and version", {"category"}, "retro", true},
        DecodeCase{"numeric version", {"version"}, 1.0, false},
        DecodeCase{"missing buttons", {"buttons"}, removed, false},
        DecodeCase{"buttons not an array", {"buttons"}, QJsonObject{}, false},
        DecodeCase{"button without label",
                   {"buttons"},
                   QJsonArray{QJsonObject{{"x", 1}, {"y", 1}, {"width", 1}, {"height", 1}}},
                   false},
        DecodeCase{"button with numeric label", {"buttons"}, QJsonArray{button(5)}, false},
        DecodeCase{"button with empty label", {"buttons"}, QJsonArray{button("")}, true},
        DecodeCase{"missing frame", {"frame"}, removed, false},
        DecodeCase{"frame width as text", {"frame", "width"}, "400", false},
        DecodeCase{"frame width zero", {"frame", "width"}, 0, false},
        DecodeCase{"frame height negative", {"frame", "height"}, -1, false},
        DecodeCase{"fractional frame", {"frame", "width"}, 400.5, true},
        DecodeCase{"frame of almost no size", {"frame"}, frame(1e-300, 1e-300), false},
        DecodeCase{"frame as thin as a thread", {"frame"}, frame(3, 100000), false},
        DecodeCase{"frame far wider than high", {"frame"}, frame(2100, 100), false},
        DecodeCase{"frame as wide as the bounds allow", {"frame"}, frame(2000, 100), true},
        DecodeCase{"frame too small to see", {"frame"}, frame(0.5, 0.5), false},
        DecodeCase{"frame at the least size", {"frame"}, frame(1, 1), true},
        DecodeCase{"frame larger than any screen shows", {"frame"}, frame(20001, 20000), false},
        DecodeCase{"frame without image", {"frame", "image"}, removed, false},
        DecodeCase{"viewport without x", {"viewport", "x"}, removed, false},
        DecodeCase{"null corner radius", {"viewport", "cornerRadius"}, QJsonValue::Null, true},
        DecodeCase{"corner radius as text", {"viewport", "cornerRadius"}, "4", false},
        DecodeCase{"three corners", {"viewport", "corners"}, QJsonArray{pt(1, 1), pt(2, 2), pt(3, 3)}, true},
        DecodeCase{
            "corner without y", {"viewport", "corners"}, QJsonArray{pt(1, 1), QJsonObject{{"x", 1}}, pt(3, 3)}, false},
        DecodeCase{"corner radii with text", {"viewport", "cornerRadii"}, QJsonArray{1, 2, "3", 4}, false},
        DecodeCase{"viewport size zero", {"viewport", "width"}, 0, true},
        DecodeCase{"palette without foreground", {"palette", "foreground"}, removed, false},
        DecodeCase{"numeric background", {"palette", "background"}, 0x101010, false},
        DecodeCase{"bad colour text", {"palette", "background"}, "black", true},
        DecodeCase{"ansi not an array", {"palette", "ansi"}, "#000000", false},
        DecodeCase{"ansi with a number", {"palette", "ansi"}, QJsonArray{"#000000", 1}, false},
        DecodeCase{"ansi of two", {"palette", "ansi"}, QJsonArray{"#000000", "#ffffff"}, true},
        DecodeCase{"null keys", {"keys"}, QJsonValue::Null, true},
        DecodeCase{"key without name",
                   {"keys"},
                   QJsonArray{QJsonObject{{"x", 1}, {"y", 1}, {"width", 1}, {"height", 1}}},
                   false},
        DecodeCase{"effects switch as text", {"effects"}, QJsonObject{{"scanlines", "yes"}}, false},
        DecodeCase{"effects style of any type", {"effects"}, QJsonObject{{"scanlineStyle", 7}, {"glow", true}}, true},
        DecodeCase{"numeric colour grade", {"effects"}, QJsonObject{{"colorGrade", 1}}, false},
        DecodeCase{"effects not an object", {"effects"}, QJsonArray{}, false},
        DecodeCase{"launch scale as text", {"launchScale"}, "2", false},
        DecodeCase{"screen in front as number", {"screenInFront"}, 1, false},
        DecodeCase{"builder-only drawer", {"drawer"}, QJsonObject{{"edge", 5}}, true}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) {
        std::string name;
        for (const char* p = info.param.description; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(SkinFileDecode, SaysWhyAFrameCannotBeShown)
{
    QJsonObject json = minimalSkin(QStringLiteral("Thread"));
    json["frame"] = frame(3, 100000);
    QString error;
    EXPECT_FALSE(SkinManifestFile::decode(toBytes(json), &error));
    EXPECT_EQ(error,
              QStringLiteral("the frame's size 3 × 100000 cannot be shown: each side must lie between 1 and 20000, "
                             "and the longer be at most 20 times the shorter"));
}

TEST(SkinFileDecode, RefusesTextThatIsNotAnObject)
{
    for (const char* text : {"", "not json", "[1, 2]", "\"skin\"", "{\"name\": \"x\""}) {
        QString error;
        EXPECT_FALSE(SkinManifestFile::decode(QByteArray(text), &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
}

class SkinFileConversionTest : public test::TemporaryHome {
protected:
    SkinManifest convert(const QJsonObject& json, bool bundled = false, const QString& id = QStringLiteral("retro"))
    {
        const auto file = SkinManifestFile::decode(toBytes(json));
        EXPECT_TRUE(file.has_value());
        return file ? file->toSkinManifest(root() + u'/' + id, bundled) : SkinManifest{};
    }
};

TEST_F(SkinFileConversionTest, CarriesEveryFieldOver)
{
    QJsonObject json = minimalSkin(QStringLiteral("Retro Pad"));
    setAt(json, {"frame", "image"}, "art/frame.png");
    setAt(json, {"viewport", "cornerRadius"}, 12.5);
    setAt(json, {"viewport", "corners"}, QJsonArray{pt(1, 2), pt(-3, 4), pt(5, -6), pt(0, 0)});
    setAt(json, {"viewport", "cornerRadii"}, QJsonArray{1, 2, 3, 4});
    setAt(json, {"palette", "cursor"}, "#ff8800");
    json["buttons"]
        = QJsonArray{button("A"),
                     button("B"),
                     QJsonObject{{"label", "C"}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"key", "Return"}},
                     button("D"),
                     button("E"),
                     button("F")};
    json["keys"] = QJsonArray{
        QJsonObject{{"key", "Space"}, {"x", 5}, {"y", 6}, {"width", 7}, {"height", 8}, {"shape", "circle"}}};
    json["launchScale"] = 1.5;
    json["screenInFront"] = true;

    const SkinManifest skin = convert(json);
    EXPECT_EQ(skin.id, QStringLiteral("retro"));
    EXPECT_EQ(skin.name, QStringLiteral("Retro Pad"));
    EXPECT_EQ(skin.frameSize, QSizeF(400, 600));
    EXPECT_EQ(skin.viewportRect, QRectF(10, 20, 300, 200));
    ASSERT_EQ(skin.buttons.size(), 4u);
    EXPECT_EQ(skin.buttons[3].label, QStringLiteral("D"));
    EXPECT_EQ(skin.buttons[2].key, QStringLiteral("Return")) << "a button's key keeps its capitals";
    EXPECT_EQ(skin.buttons[0].rect, QRectF(1, 2, 3, 4));
    ASSERT_EQ(skin.keys.size(), 1u);
    EXPECT_EQ(skin.keys[0].key, QStringLiteral("space"));
    EXPECT_EQ(skin.keys[0].shape, QStringLiteral("circle"));
    EXPECT_EQ(skin.keys[0].rect, QRectF(5, 6, 7, 8));
    EXPECT_EQ(skin.palette.foreground.rgb(), 0xFF00FF00);
    EXPECT_EQ(skin.palette.background.rgb(), 0xFF101010);
    ASSERT_TRUE(skin.palette.cursor.has_value());
    EXPECT_EQ(skin.palette.cursor->rgb(), 0xFFFF8800);
    EXPECT_FALSE(skin.palette.ansi.has_value());
    EXPECT_EQ(skin.frameImageName, root() + QStringLiteral("/retro/art/frame.png"));
    EXPECT_EQ(skin.viewportCornerRadius, 12.5);
    EXPECT_FALSE(skin.isBundled);
    EXPECT_EQ(skin.viewportCornerOffsets,
              (std::vector<QPointF>{QPointF(1, 2), QPointF(-3, 4), QPointF(5, -6), QPointF(0, 0)}));
    EXPECT_EQ(skin.viewportCornerRadii, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(skin.launchScale, 1.5);
    EXPECT_TRUE(skin.screenInFront);

    const SkinManifest bundled = convert(json, true);
    EXPECT_TRUE(bundled.isBundled);
    EXPECT_EQ(bundled.frameImageName, QStringLiteral("retro/art/frame.png"));
}

TEST_F(SkinFileConversionTest, DefaultsForAbsentKeys)
{
    const SkinManifest skin = convert(minimalSkin(QStringLiteral("Plain")));
    EXPECT_EQ(skin.viewportCornerRadius, 4.0);
    EXPECT_TRUE(skin.buttons.empty());
    EXPECT_TRUE(skin.keys.empty());
    EXPECT_FALSE(skin.palette.cursor.has_value());
    EXPECT_TRUE(skin.viewportCornerOffsets.empty());
    EXPECT_TRUE(skin.viewportCornerRadii.empty());
    EXPECT_EQ(skin.launchScale, 1.0);
    EXPECT_FALSE(skin.screenInFront);

    QJsonObject zero = minimalSkin(QStringLiteral("Square"));
    setAt(zero, {"viewport", "cornerRadius"}, 0);
    EXPECT_EQ(convert(zero).viewportCornerRadius, 0.0);
}

TEST_F(SkinFileConversionTest, ListsOfTheWrongLengthAreIgnoredSilently)
{
    for (int count : {3, 5}) {
        QJsonArray corners, radii;
        for (int i = 0; i < count; ++i) {
            corners.append(pt(i, i));
            radii.append(i);
        }
        QJsonObject json = minimalSkin(QStringLiteral("Odd"));
        setAt(json, {"viewport", "corners"}, corners);
        setAt(json, {"viewport", "cornerRadii"}, radii);
        QJsonArray ansi;
        for (int i = 0; i < count + 12; ++i)
            ansi.append("#123456");
        setAt(json, {"palette", "ansi"}, ansi);
        LogCapture log;
        log.clear();
        const SkinManifest skin = convert(json);
        EXPECT_TRUE(skin.viewportCornerOffsets.empty()) << count;
        EXPECT_TRUE(skin.viewportCornerRadii.empty()) << count;
        EXPECT_FALSE(skin.palette.ansi.has_value()) << count;
        EXPECT_TRUE(log.lines().isEmpty());
    }
}

TEST_F(SkinFileConversionTest, BadColoursBecomeMagentaInFileOrderWithoutDroppingOthers)
{
    QJsonObject json = minimalSkin(QStringLiteral("Colours"));
    QJsonArray ansi;
    for (int i = 0; i < 16; ++i)
        ansi.append(i == 9 ? QStringLiteral("red") : QStringLiteral("#0000%1").arg(i, 2, 16, QLatin1Char('0')));
    setAt(json, {"palette", "ansi"}, ansi);
    setAt(json, {"palette", "foreground"}, "fg?");
    setAt(json, {"palette", "cursor"}, "#12");
    LogCapture log;
    log.clear();
    const SkinManifest skin = convert(json);
    ASSERT_TRUE(skin.palette.ansi.has_value());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ((*skin.palette.ansi)[i].rgb(), i == 9 ? 0xFFFF00FFu : 0xFF000000u + i) << i;
    EXPECT_EQ(skin.palette.foreground.rgb(), 0xFFFF00FF);
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_TRUE(log.lines()[0].contains("'fg?'"));
    EXPECT_TRUE(log.lines()[1].contains("'#12'"));
    EXPECT_TRUE(log.lines()[2].contains("'red'"));
}

class PictureConfinementTest : public test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        m_skin = root() + QStringLiteral("/skins/retro");
        QDir().mkpath(m_skin + QStringLiteral("/art"));
        QDir().mkpath(root() + QStringLiteral("/skins/other"));
        test::writeFile(m_skin + QStringLiteral("/art/frame.png"), "png");
        test::writeFile(root() + QStringLiteral("/secret.png"), "png");
    }
    bool inside(const QString& image) const { return SkinManifestFile::pictureStaysInside(m_skin, image); }
    QString m_skin;
};

TEST_F(PictureConfinementTest, PathsThatStayInside)
{
    for (const char* image :
         {"frame@2x.png", "art/frame.png", "art/../frame.png", "./art/frame.png", "/frame.png", "missing/x.png"})
        EXPECT_TRUE(inside(QString::fromUtf8(image))) << image;
}

TEST_F(PictureConfinementTest, PathsThatLeadOutside)
{
    for (const char* image :
         {"../secret.png", "../../secret.png", "art/../../other/frame.png", "missing/../../../secret.png"})
        EXPECT_FALSE(inside(QString::fromUtf8(image))) << image;
}

TEST_F(PictureConfinementTest, LinksAreResolvedBeforeDotDot)
{
    ASSERT_TRUE(QFile::link(root() + QStringLiteral("/secret.png"), m_skin + QStringLiteral("/linked.png")));
    ASSERT_TRUE(QFile::link(root(), m_skin + QStringLiteral("/up")));
    ASSERT_TRUE(QFile::link(m_skin + QStringLiteral("/art"), m_skin + QStringLiteral("/pictures")));
    ASSERT_TRUE(QFile::link(root() + QStringLiteral("/nowhere"), m_skin + QStringLiteral("/dangling.png")));
    EXPECT_FALSE(inside(QStringLiteral("linked.png")));
    EXPECT_FALSE(inside(QStringLiteral("up/secret.png")));
    EXPECT_FALSE(inside(QStringLiteral("dangling.png")));
    EXPECT_TRUE(inside(QStringLiteral("pictures/frame.png")));
    // "pictures/.." is the skin folder itself once the link is followed
    EXPECT_TRUE(inside(QStringLiteral("pictures/../art/frame.png")));
}

TEST_F(PictureConfinementTest, ReadFromFolderRefusesAnEscapingPicture)
{
    QJsonObject json = minimalSkin(QStringLiteral("Escape"));
    setAt(json, {"frame", "image"}, "../secret.png");
    test::writeFile(m_skin + QStringLiteral("/skin.json"), toBytes(json));
    QString error;
    EXPECT_FALSE(SkinManifestFile::readFromFolder(m_skin, &error));
    EXPECT_TRUE(error.contains("outside")) << error.toStdString();

    setAt(json, {"frame", "image"}, "art/frame.png");
    test::writeFile(m_skin + QStringLiteral("/skin.json"), toBytes(json));
    EXPECT_TRUE(SkinManifestFile::readFromFolder(m_skin, &error));
}

TEST_F(PictureConfinementTest, ReadFromFolderRefusesWhatIsNotARegularFile)
{
    QDir().mkpath(m_skin + QStringLiteral("/skin.json"));
    QString error;
    EXPECT_FALSE(SkinManifestFile::readFromFolder(m_skin, &error));
    EXPECT_FALSE(error.isEmpty());

    // A pipe would block a plain read for ever.
    const QString other = root() + QStringLiteral("/skins/other");
    ASSERT_EQ(::mkfifo(QFile::encodeName(other + QStringLiteral("/skin.json")).constData(), 0600), 0);
    EXPECT_FALSE(SkinManifestFile::readFromFolder(other, &error));
}

} // namespace
} // namespace velmora
