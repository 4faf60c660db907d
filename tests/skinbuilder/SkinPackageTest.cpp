#include "skinbuilder/SkinPackage.h"
#include "skinbuilder/SkinBuilderModel.h"

#include "skin/SkinLoader.h"
#include "support/BuilderTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>

#include <archive.h>
#include <archive_entry.h>

#include <functional>
#include <optional>

namespace velmora {
namespace {

using test::readFile;
using test::writeFile;

QJsonObject readJson(const QString& path) { return QJsonDocument::fromJson(readFile(path)).object(); }

// The entry names of a zip archive, in order; "!" when it cannot be read.
QStringList zipEntries(const QString& path)
{
    archive* zip = archive_read_new();
    archive_read_support_format_zip(zip);
    QStringList names;
    if (archive_read_open_filename(zip, path.toUtf8().constData(), 10240) != ARCHIVE_OK) {
        archive_read_free(zip);
        return {QStringLiteral("!")};
    }
    archive_entry* entry = nullptr;
    while (archive_read_next_header(zip, &entry) == ARCHIVE_OK)
        names << QString::fromUtf8(archive_entry_pathname(entry));
    archive_read_free(zip);
    return names;
}

class SkinPackageTest : public test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        dialogs = test::scriptDialogs(model);
        // A temporary folder of the test's own, to see what an export leaves.
        QDir().mkpath(root() + QStringLiteral("/tmp"));
        m_temp.emplace("TMPDIR", (root() + QStringLiteral("/tmp")).toUtf8());
    }

    void TearDown() override
    {
        m_temp.reset();
        TemporaryHome::TearDown();
    }

    // A picture of the given pixel size whose point size is pixels over
    // pixelsPerPoint, loaded as a dropped file.
    void loadPicture(QSize pixels, qreal pixelsPerPoint = 1)
    {
        const QString path = test::savePicture(
            test::filledPicture(pixels.width(), pixels.height(), QColor(80, 80, 90), pixelsPerPoint),
            root() + QStringLiteral("/picture.png"));
        ASSERT_TRUE(model.loadImage(path));
    }

    // The 1000 × 600 picture shown at 1000 × 600 points (k = 0.5), named and
    // with a screen area.
    void loadReadySkin()
    {
        loadPicture(QSize(1000, 600));
        model.setSkinName(QStringLiteral("Pocket Unit"));
        model.setViewport(QRectF(101, 51, 201, 99));
    }

    QJsonObject manifestJson() const
    {
        const auto manifest = model.buildManifest();
        EXPECT_TRUE(manifest.has_value());
        return manifest ? manifest->toJson() : QJsonObject();
    }

    QString status() const { return model.statusMessage().value_or(QString()); }

    SkinBuilderModel model{SkinLoader::shared()};
    std::shared_ptr<test::ScriptedDialogs::Script> dialogs;

private:
    std::optional<test::ScopedEnvironment> m_temp;
};

TEST_F(SkinPackageTest, ScalesTheScreenAreaAndRadiiByHalfThePixelWidth)
{
    loadReadySkin();
    model.setViewportCornerRadii({10, 10, 10, 10});
    QJsonObject json = manifestJson();
    EXPECT_EQ(json["frame"].toObject(), (QJsonObject{{"image", "frame@2x.png"}, {"width", 500}, {"height", 300}}));
    EXPECT_EQ(json["viewport"].toObject(),
              (QJsonObject{{"x", 51}, {"y", 26}, {"width", 101}, {"height", 50}, {"cornerRadius", 5}}));

    model.setViewportCornerRadii({6, 6, 10, 6});
    json = manifestJson();
    EXPECT_EQ(json["viewport"].toObject()["cornerRadius"].toDouble(), 3);
    EXPECT_EQ(json["viewport"].toObject()["cornerRadii"].toArray(), (QJsonArray{3, 3, 5, 3}));

    // The same picture recorded at 144 dots per inch is drawn at its design size.
    loadPicture(QSize(1000, 600), 2);
    model.setViewport(QRectF(10, 20, 30, 40));
    EXPECT_EQ(manifestJson()["viewport"].toObject()["width"].toDouble(), 30);
    EXPECT_FALSE(SkinBuilderModel(SkinLoader::shared()).buildManifest().has_value()) << "no picture";
}

struct KeyCase {
    const char* name;
    std::function<void(SkinBuilderModel&)> change;
    const char* path; // "section.key" or "key"
    bool present;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class ManifestKeyTest : public SkinPackageTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ManifestKeyTest, WritesAKeyOnlyWhenItsRuleSaysSo)
{
    const KeyCase& c = GetParam();
    loadReadySkin();
    c.change(model);
    QJsonObject object = manifestJson();
    QString key = QString::fromUtf8(c.path);
    if (const qsizetype dot = key.indexOf(u'.'); dot >= 0) {
        object = object[key.left(dot)].toObject();
        key = key.mid(dot + 1);
    }
    EXPECT_EQ(object.contains(key), c.present);
}

const auto unchanged = [](SkinBuilderModel&) {};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Keys, ManifestKeyTest,
    ::testing::Values(
        KeyCase{"noAuthor", unchanged, "author", false},
        KeyCase{"author", [](SkinBuilderModel& m) { m.setAuthor(QStringLiteral("Ada")); }, "author", true},
        KeyCase{"versionAlways", unchanged, "version", true},
        KeyCase{"buttonsAlways", unchanged, "buttons", true},
        KeyCase{"keysNever", unchanged, "keys", false},
        KeyCase{"launchScaleAlways", unchanged, "launchScale", true},
        KeyCase{"screenInFrontAlways", unchanged, "screenInFront", true},
        KeyCase{"zeroOffsets", unchanged, "viewport.corners", false},
        KeyCase{"oneOffset", [](SkinBuilderModel& m) { m.setViewportCornerOffsets({{0, 0}, {0, 0.5}, {0, 0}, {0, 0}}); },
                "viewport.corners", true},
        KeyCase{"threeOffsets", [](SkinBuilderModel& m) { m.setViewportCornerOffsets({{0, 1}, {0, 0}, {0, 0}}); },
                "viewport.corners", false},
        KeyCase{"equalRadii", unchanged, "viewport.cornerRadii", false},
        KeyCase{"noCursor", unchanged, "palette.cursor", false},
        KeyCase{"cursor", [](SkinBuilderModel& m) { m.setCursorColor(QColor(1, 2, 3)); }, "palette.cursor", true},
        KeyCase{"ansi15", [](SkinBuilderModel& m) { m.setAnsiColors(std::vector<QColor>(15, Qt::red)); }, "palette.ansi", false},
        KeyCase{"ansi16", [](SkinBuilderModel& m) { m.setAnsiColors(std::vector<QColor>(16, Qt::red)); }, "palette.ansi", true},
        KeyCase{"noEffects", unchanged, "effects", false},
        KeyCase{"standardScanlines", [](SkinBuilderModel& m) { m.setScanlines(true); }, "effects.scanlineIntensity", true},
        KeyCase{"standardStyleLeftOut", [](SkinBuilderModel& m) { m.setScanlines(true); }, "effects.scanlineStyle", false},
        KeyCase{"glowOffLeftOut", [](SkinBuilderModel& m) { m.setScanlines(true); }, "effects.glow", false},
        KeyCase{"noDrawer", unchanged, "drawer", false},
        KeyCase{"emptyDrawerMask", [](SkinBuilderModel& m) { m.setDrawerEnabled(true); }, "drawer.mask", false},
        KeyCase{"emptyDrawerViewport", [](SkinBuilderModel& m) { m.setDrawerEnabled(true); }, "drawer.viewport", false},
        KeyCase{"drawerEdge", [](SkinBuilderModel& m) { m.setDrawerEnabled(true); }, "drawer.edge", true},
        KeyCase{"drawerWidget",
                [](SkinBuilderModel& m) {
                    m.setDrawerEnabled(true);
                    m.setDrawerDefaultWidget(QStringLiteral("clock"));
                },
                "drawer.defaultWidget", true},
        KeyCase{"chevronNever", [](SkinBuilderModel& m) { m.setDrawerEnabled(true); }, "drawer.chevron", false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(SkinPackageTest, WritesButtonsByTheirPanelShapeAndKeyRules)
{
    loadReadySkin();
    ButtonDef first;
    first.rect = QRectF(11, 21, 40, 40);
    first.defaultPanel = PanelType::music;
    first.shape = ButtonShape::circle;
    first.key = QStringLiteral("Return");
    ButtonDef second;
    second.rect = QRectF(60, 21, 40, 40);
    model.setButtons({first, second});
    const QJsonArray buttons = manifestJson()["buttons"].toArray();
    EXPECT_EQ(buttons[0].toObject(),
              (QJsonObject{{"label", ""},
                           {"x", 6},
                           {"y", 11},
                           {"width", 20},
                           {"height", 20},
                           {"shape", "circle"},
                           {"defaultPanel", "terminal"},
                           {"key", "return"}}));
    EXPECT_EQ(buttons[1].toObject(), (QJsonObject{{"label", ""}, {"x", 30}, {"y", 11}, {"width", 20}, {"height", 20}}));
}

TEST_F(SkinPackageTest, AWrittenSkinReopensAsItWasEdited)
{
    loadPicture(QSize(600, 400), 2); // k = 1
    model.setSkinName(QStringLiteral("Round Trip"));
    model.setAuthor(QStringLiteral("Ada"));
    model.setViewport(QRectF(20, 30, 160, 100));
    model.setViewportCornerOffsets({{0, 0}, {2, 1}, {0, 0}, {-1, 3}});
    model.setViewportCornerRadii({4, 8, 12, 4});
    ButtonDef power;
    power.rect = QRectF(10, 150, 20, 20);
    power.label = QStringLiteral("PWR");
    power.shape = ButtonShape::circle;
    power.defaultPanel = PanelType::music; // the first button always opens the terminal
    ButtonDef music;
    music.rect = QRectF(40, 150, 20, 20);
    music.defaultPanel = PanelType::music;
    music.key = QStringLiteral("m");
    model.setButtons({power, music});
    model.setFgColor(QColor(0x33, 0xFF, 0x66));
    model.setBgColor(QColor(0x10, 0x20, 0x30));
    model.setCursorColor(QColor(0xFF, 0xFF, 0xFF));
    std::vector<QColor> ansi;
    for (int i = 0; i < 16; ++i)
        ansi.push_back(QColor(i * 16, 255 - i * 16, 7));
    model.setAnsiColors(ansi);
    model.setScanlines(true);
    model.setScanlineStyle(QStringLiteral("heavy"));
    model.setScanlineIntensity(0.5);
    model.setCurvature(true);
    model.setCurvatureAmount(0.1);
    model.setDrawerEnabled(true);
    model.setDrawerEdge(DrawerEdge::left);
    model.setDrawerViewport(QRectF(5, 6, 50, 60));
    model.setDrawerMask({BezierNode(QPointF(1, 1)),
                         BezierNode(QPointF(9, 1), QPointF(8, 0), QPointF(10, 2)),
                         BezierNode(QPointF(5, 9))});
    model.setDrawerDefaultWidget(QStringLiteral("clock"));
    model.setLaunchScale(0.75);
    model.setScreenInFront(true);

    const QString folder = root() + QStringLiteral("/written");
    ASSERT_TRUE(model.writeSkin(folder));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"frame@2x.png", "skin.json"}));

    SkinBuilderModel reopened{SkinLoader::shared()};
    ASSERT_TRUE(reopened.loadSkin(folder));
    EXPECT_EQ(reopened.statusMessage(), QStringLiteral("Opened written \u2014 2 buttons"));
    EXPECT_EQ(reopened.skinName(), QStringLiteral("Round Trip"));
    EXPECT_EQ(reopened.author(), QStringLiteral("Ada"));
    EXPECT_EQ(reopened.imagePointSize(), QSizeF(300, 200));
    EXPECT_EQ(reopened.viewport(), QRectF(20, 30, 160, 100));
    EXPECT_EQ(reopened.viewportCornerOffsets(), model.viewportCornerOffsets());
    EXPECT_EQ(reopened.viewportCornerRadii(), model.viewportCornerRadii());
    ASSERT_EQ(reopened.buttons().size(), 2u);
    EXPECT_EQ(reopened.buttons()[0].label, QStringLiteral("PWR"));
    EXPECT_EQ(reopened.buttons()[0].shape, ButtonShape::circle);
    EXPECT_EQ(reopened.buttons()[0].defaultPanel, PanelType::terminal);
    EXPECT_EQ(reopened.buttons()[1].rect, QRectF(40, 150, 20, 20));
    EXPECT_EQ(reopened.buttons()[1].defaultPanel, PanelType::music);
    EXPECT_EQ(reopened.buttons()[1].key, QStringLiteral("m"));
    EXPECT_EQ(reopened.fgColor(), model.fgColor());
    EXPECT_EQ(reopened.bgColor(), model.bgColor());
    EXPECT_EQ(reopened.cursorColor(), model.cursorColor());
    EXPECT_EQ(reopened.ansiColors(), model.ansiColors());
    EXPECT_TRUE(reopened.scanlines());
    EXPECT_EQ(reopened.scanlineStyle(), QStringLiteral("heavy"));
    EXPECT_EQ(reopened.scanlineIntensity(), 0.5);
    EXPECT_FALSE(reopened.glow());
    EXPECT_TRUE(reopened.curvature());
    EXPECT_EQ(reopened.curvatureAmount(), 0.1);
    EXPECT_TRUE(reopened.drawerEnabled());
    EXPECT_EQ(reopened.drawerEdge(), DrawerEdge::left);
    EXPECT_EQ(reopened.drawerViewport(), QRectF(5, 6, 50, 60));
    EXPECT_EQ(reopened.drawerMask(), model.drawerMask());
    EXPECT_EQ(reopened.drawerDefaultWidget(), QStringLiteral("clock"));
    EXPECT_EQ(reopened.launchScale(), 0.75);
    EXPECT_TRUE(reopened.screenInFront());
    EXPECT_EQ(reopened.history().count(), 0u);
}

TEST_F(SkinPackageTest, WritingNeedsAPictureAScreenAreaAndAName)
{
    ASSERT_FALSE(model.writeSkin(root() + QStringLiteral("/nothing")));
    EXPECT_EQ(status(), QStringLiteral("Cannot export: need image + viewport + name"));
    EXPECT_TRUE(model.statusIsError());
    loadReadySkin();
    model.setSkinName(QStringLiteral("  "));
    model.installSkin();
    EXPECT_EQ(status(), QStringLiteral("Cannot export: need image + viewport + name"));
    EXPECT_FALSE(QFileInfo::exists(userSkins())) << "nothing written into the skins folder itself";
}

TEST_F(SkinPackageTest, InstallAsksBeforeReplacingAndBroadcastsOnce)
{
    loadReadySkin();
    QSignalSpy broadcasts(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    model.installSkin();
    EXPECT_EQ(status(), QStringLiteral("Installed to pocket-unit/ \u2014 applied live."));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_TRUE(dialogs->questions.empty());
    EXPECT_EQ(broadcasts.count(), 1);
    const QString folder = userSkins() + QStringLiteral("/pocket-unit");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"frame@2x.png", "skin.json"}))
        << "no temporary file stays";
    bool loaded = false;
    for (const SkinManifest& skin : SkinLoader::shared().skins())
        loaded = loaded || (skin.name == QStringLiteral("Pocket Unit") && skin.id == QStringLiteral("pocket-unit"));
    EXPECT_TRUE(loaded) << "the loader knows the new skin at once";

    dialogs->confirmAnswer = false;
    model.setViewport(QRectF(0, 0, 300, 300));
    model.installSkin();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].message, QStringLiteral("Replace existing skin 'Pocket Unit'?"));
    EXPECT_EQ(dialogs->questions[0].informativeText,
              QStringLiteral("A skin folder named 'pocket-unit' already exists. Installing will overwrite its "
                             "frame@2x.png and skin.json."));
    EXPECT_EQ(dialogs->questions[0].acceptButton, QStringLiteral("Replace"));
    EXPECT_EQ(status(), QStringLiteral("Install cancelled \u2014 no changes."));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(broadcasts.count(), 1);
    EXPECT_EQ(readJson(folder + QStringLiteral("/skin.json"))["viewport"].toObject()["width"].toDouble(), 101);

    dialogs->confirmAnswer = true;
    model.installSkin();
    EXPECT_EQ(broadcasts.count(), 2);
    EXPECT_EQ(readJson(folder + QStringLiteral("/skin.json"))["viewport"].toObject()["width"].toDouble(), 150);
}

TEST_F(SkinPackageTest, FolderNamesStayInsideTheSkinsFolder)
{
    EXPECT_EQ(SkinPackage::slug(QStringLiteral("My Gadget")), QStringLiteral("my-gadget"));
    EXPECT_EQ(SkinPackage::slug(QStringLiteral("a/../b")), QStringLiteral("a-..-b"));
    EXPECT_EQ(SkinPackage::slug(QStringLiteral("nul") + QChar(u'\0') + QStringLiteral("x")), QStringLiteral("nul-x"));
    QString error;
    for (const char* refused : {"", ".", ".."})
        EXPECT_FALSE(SkinPackage::installFolder(userSkins(), QString::fromUtf8(refused), &error).has_value())
            << refused;
    EXPECT_EQ(SkinPackage::installFolder(userSkins(), QStringLiteral("ok"), &error),
              userSkins() + QStringLiteral("/ok"));

    // A link in the skins folder would lead the write elsewhere.
    QDir().mkpath(userSkins());
    QDir().mkpath(root() + QStringLiteral("/elsewhere"));
    ASSERT_TRUE(QFile::link(root() + QStringLiteral("/elsewhere"), userSkins() + QStringLiteral("/linked")));
    EXPECT_FALSE(SkinPackage::installFolder(userSkins(), QStringLiteral("linked"), &error).has_value());

    loadReadySkin();
    model.setSkinName(QStringLiteral(".."));
    model.installSkin();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Install failed: "))) << status().toStdString();
    EXPECT_TRUE(model.statusIsError());
    model.setSkinName(QStringLiteral("Linked"));
    model.installSkin();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Install failed: ")));
    EXPECT_TRUE(QDir(root() + QStringLiteral("/elsewhere")).isEmpty());
}

TEST_F(SkinPackageTest, ExportWritesAFlatZipOfTheTwoFiles)
{
    loadReadySkin();
    const QString zip = root() + QStringLiteral("/out/pocket.zip");
    QDir().mkpath(root() + QStringLiteral("/out"));
    writeFile(zip, "an older file that is no archive");

    dialogs->zipDestination = std::nullopt;
    model.setStatus(QStringLiteral("before"), false);
    model.exportSkin();
    EXPECT_EQ(status(), QStringLiteral("before")) << "a cancelled panel changes nothing";

    dialogs->zipDestination = zip;
    model.exportSkin();
    EXPECT_EQ(status(), QStringLiteral("Exported pocket.zip"));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(zipEntries(zip), (QStringList{"frame@2x.png", "skin.json"}));
    EXPECT_EQ(QDir(root() + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden), QStringList{"pocket.zip"});
    EXPECT_EQ(QDir::tempPath(), root() + QStringLiteral("/tmp"));
    EXPECT_TRUE(QDir::temp().isEmpty()) << "the working folder is gone";
}

TEST_F(SkinPackageTest, AnExportThatCannotWriteReportsIt)
{
    loadReadySkin();
    const QString zip = root() + QStringLiteral("/missing-folder/pocket.zip");
    dialogs->zipDestination = zip;
    model.exportSkin();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Export failed: "))) << status().toStdString();
    EXPECT_TRUE(model.statusIsError());
    EXPECT_TRUE(QDir::temp().isEmpty()) << "the working folder is gone";
}

class ReopenTest : public SkinPackageTest {
protected:
    // A skin folder with a 400 × 300 pixel frame at 144 dots per inch (k = 1)
    // and the given description.
    QString skinFolder(const QJsonObject& json, const QString& name = QStringLiteral("pocket"))
    {
        const QString folder = root() + u'/' + name;
        QDir().mkpath(folder);
        test::savePicture(test::filledPicture(400, 300, Qt::gray, 2), folder + QStringLiteral("/frame@2x.png"));
        writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));
        return folder;
    }

    static QJsonObject skin()
    {
        return QJsonObject{
            {"name", "Pocket"},
            {"frame", QJsonObject{{"image", "other.png"}, {"width", 1}, {"height", 1}}},
            {"viewport", QJsonObject{{"x", 10}, {"y", 20}, {"width", 100}, {"height", 80}, {"cornerRadius", 5}}},
            {"palette", QJsonObject{{"foreground", "#112233"}, {"background", "#445566"}}},
            {"buttons", QJsonArray{}},
        };
    }
};

TEST_F(ReopenTest, KeepsTheStoredLaunchScale)
{
    // Beyond the slider's range too; only a missing scale, or one that is no
    // size at all, opens at 1.0.
    const QJsonValue absent(QJsonValue::Undefined);
    for (const auto& [stored, expected] : std::vector<std::pair<QJsonValue, double>>{
             {0.7, 0.7}, {3, 3}, {0.1, 0.1}, {absent, 1}, {QJsonValue::Null, 1}, {0, 1}, {-2, 1}}) {
        QJsonObject json = skin();
        if (!stored.isUndefined())
            json["launchScale"] = stored;
        ASSERT_TRUE(model.loadSkin(skinFolder(json)));
        EXPECT_EQ(model.launchScale(), expected) << stored.toDouble();
        EXPECT_EQ(manifestJson()["launchScale"].toDouble(), expected) << "written back as it was read";
    }
}

TEST_F(ReopenTest, FillsFewButtonsUpWithKeyAreas)
{
    QJsonObject json = skin();
    json["buttons"] = QJsonArray{
        QJsonObject{{"label", "A"}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"defaultPanel", "Music"}},
        QJsonObject{{"label", "B"}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}}};
    json["keys"]
        = QJsonArray{QJsonObject{{"key", "Up"}, {"x", 5}, {"y", 6}, {"width", 7}, {"height", 8}, {"shape", "circle"}},
                     QJsonObject{{"key", "down"}, {"x", 5}, {"y", 6}, {"width", 7}, {"height", 8}},
                     QJsonObject{{"key", "left"}, {"x", 5}, {"y", 6}, {"width", 7}, {"height", 8}}};
    ASSERT_TRUE(model.loadSkin(skinFolder(json)));
    ASSERT_EQ(model.buttons().size(), 4u);
    EXPECT_EQ(model.buttons()[0].defaultPanel, PanelType::placeholder) << "not a raw value";
    EXPECT_EQ(model.buttons()[2].key, QStringLiteral("Up"));
    EXPECT_EQ(model.buttons()[2].shape, ButtonShape::circle);
    EXPECT_EQ(model.buttons()[3].key, QStringLiteral("down"));
    EXPECT_EQ(model.buttons()[3].rect, QRectF(5, 6, 7, 8));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Opened pocket \u2014 4 buttons"));
}

TEST_F(ReopenTest, ReadsTheDrawerOnlyWithAKnownEdge)
{
    QJsonObject json = skin();
    json["drawer"]
        = QJsonObject{{"edge", "LEFT"},
                      {"chevron", QJsonObject{{"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"cornerRadius", 0}}}};
    ASSERT_TRUE(model.loadSkin(skinFolder(json)));
    EXPECT_TRUE(model.drawerEnabled());
    EXPECT_EQ(model.drawerEdge(), DrawerEdge::left);
    EXPECT_EQ(model.drawerViewport(), QRectF(1, 2, 3, 4)) << "the chevron stands in for a missing viewport";

    json["drawer"] = QJsonObject{{"edge", "middle"}, {"mask", QJsonArray{QJsonObject{{"x", 1}, {"y", 1}}}}};
    ASSERT_TRUE(model.loadSkin(skinFolder(json)));
    EXPECT_FALSE(model.drawerEnabled());
    EXPECT_TRUE(model.drawerMask().empty());
    EXPECT_FALSE(model.drawerViewport().has_value());
}

TEST_F(ReopenTest, ReadsEffectsAndPaletteWithTheirDefaults)
{
    QJsonObject json = skin();
    ASSERT_TRUE(model.loadSkin(skinFolder(json)));
    EXPECT_EQ(model.curvatureAmount(), 0.2);
    EXPECT_EQ(model.viewportCornerRadii(), (std::vector<double>{5, 5, 5, 5}));

    json["effects"] = QJsonObject{{"glow", true}};
    json["palette"] = QJsonObject{{"foreground", "#12345"}, {"ansi", QJsonArray{"#000000"}}};
    model.setAnsiColors(std::vector<QColor>(16, Qt::red));
    ASSERT_TRUE(model.loadSkin(skinFolder(json)));
    EXPECT_TRUE(model.glow());
    EXPECT_EQ(model.glowIntensity(), 0.4);
    EXPECT_FALSE(model.scanlines());
    EXPECT_EQ(model.fgColor(), SkinBuilderModel::defaultForeground()) << "not six hex digits";
    EXPECT_FALSE(model.ansiColors().has_value()) << "a list that is not 16 long clears the override";
}

TEST_F(ReopenTest, AFolderThatFailsACheckLeavesTheWorkAlone)
{
    loadReadySkin();
    const QString empty = root() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    EXPECT_FALSE(model.loadSkin(empty));
    EXPECT_EQ(status(), QStringLiteral("No skin.json in that folder."));

    writeFile(empty + QStringLiteral("/skin.json"), "{\"name\": 3}");
    EXPECT_FALSE(model.loadSkin(empty));
    EXPECT_EQ(status(), QStringLiteral("skin.json is malformed."));

    QJsonObject pictureless = skin();
    pictureless["frame"] = QJsonObject{{"image", "frame@2x.png"}, {"width", 1}, {"height", 1}};
    writeFile(empty + QStringLiteral("/skin.json"), test::toBytes(pictureless));
    EXPECT_FALSE(model.loadSkin(empty));
    EXPECT_EQ(status(), QStringLiteral("Couldn't load frame@2x.png."));
    EXPECT_TRUE(model.statusIsError());
    EXPECT_EQ(model.skinName(), QStringLiteral("Pocket Unit"));
    EXPECT_EQ(model.viewport(), QRectF(101, 51, 201, 99));
}

// Which picture a reopen reads: the builder's own when the folder has one,
// else the one "frame.image" names, never one outside the folder. The two
// pictures differ in size to tell them apart.
TEST_F(ReopenTest, ReadsTheBuildersPictureElseTheNamedOne)
{
    struct Row {
        const char* what;
        bool builderPicture; // frame@2x.png, 400 x 300
        QString namedFile; // written 200 x 100 when not empty, relative to the skin folder
        QString image; // "frame.image"
        QSize loaded; // the picture's size; empty when the reopen fails
        QString failure;
    };
    const std::vector<Row> rows = {
        {"both there", true, "other.png", "other.png", QSize(400, 300), {}},
        {"only the named one", false, "other.png", "other.png", QSize(200, 100), {}},
        {"named in a sub-folder", false, "art/Unit_alpha.png", "art/Unit_alpha.png", QSize(200, 100), {}},
        {"neither", false, {}, "other.png", {}, "Couldn't load other.png."},
        {"named outside the folder",
         false,
         "../outside.png",
         "../outside.png",
         {},
         "The frame picture \"../outside.png\" lies outside the skin folder."},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        loadReadySkin();
        const QString folder = root() + QStringLiteral("/pictures-%1").arg(index++);
        QDir().mkpath(folder + QStringLiteral("/art"));
        if (row.builderPicture)
            test::savePicture(test::filledPicture(400, 300, Qt::gray, 2), folder + QStringLiteral("/frame@2x.png"));
        if (!row.namedFile.isEmpty())
            test::savePicture(test::filledPicture(200, 100, Qt::gray, 2), folder + u'/' + row.namedFile);
        QJsonObject json = skin();
        json["frame"] = QJsonObject{{"image", row.image}, {"width", 1}, {"height", 1}};
        writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));

        const bool loaded = model.loadSkin(folder);
        EXPECT_EQ(loaded, !row.loaded.isEmpty()) << status().toStdString();
        if (loaded) {
            EXPECT_EQ(model.skinImage().size(), row.loaded);
            EXPECT_EQ(model.skinName(), QStringLiteral("Pocket"));
        } else {
            EXPECT_EQ(status(), row.failure);
            EXPECT_EQ(model.skinName(), QStringLiteral("Pocket Unit")) << "the work stays";
        }
    }
}

// The bundled walkie keeps its picture under its own name.
TEST_F(ReopenTest, OpensTheBundledWalkie)
{
    const QString walkie = QStringLiteral(VELMORA_BINARY_DIR "/share/velmora/Skins/walkie");
    ASSERT_TRUE(QFileInfo::exists(walkie + QStringLiteral("/Walkie_alpha.png")));
    ASSERT_FALSE(QFileInfo::exists(walkie + QStringLiteral("/frame@2x.png")));

    ASSERT_TRUE(model.loadSkin(walkie)) << status().toStdString();
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(model.skinName(), QStringLiteral("Walkie MK-1"));
    EXPECT_EQ(model.buttons().size(), 4u);
    EXPECT_FALSE(model.skinImage().isNull());
}

} // namespace
} // namespace velmora
