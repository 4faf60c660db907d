#include "skin/SkinJSONSaver.h"

#include "core/SettingsStore.h"
#include "skin/CuratedPalettes.h"
#include "skin/SkinLoader.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QSignalSpy>

#include <csignal>
#include <sys/resource.h>

namespace velmora {
namespace {

using test::minimalSkin;
using test::readFile;

QJsonObject readObject(const QString& path) { return QJsonDocument::fromJson(readFile(path)).object(); }

// The saver on the process's settings and skins, as the settings window
// calls it.
QString savePalette(const QString& skin)
{
    return SkinJSONSaver::savePalette(skin, SettingsStore::shared().data(), SkinLoader::shared());
}

QJsonObject paletteDict(const QString& skin)
{
    return SkinJSONSaver::paletteDict(skin, SettingsStore::shared().data(), SkinLoader::shared().skins());
}

class SkinJSONSaverTest : public test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        SettingsStore::shared().data() = SettingsData{};
    }

    SettingsData& settings() { return SettingsStore::shared().data(); }

    QString userSkin(const QString& id, const QJsonObject& json)
    {
        return writeSkin(userSkins(), id, json) + QStringLiteral("/skin.json");
    }

    static QJsonObject skinWithPalette(const QString& name, const QJsonObject& palette)
    {
        QJsonObject json = minimalSkin(name);
        json["palette"] = palette;
        return json;
    }
};

TEST_F(SkinJSONSaverTest, BuiltInSkinsAreNeverWritten)
{
    const QString bundled = writeSkin(bundleSkins(), QStringLiteral("bundled"), minimalSkin(QStringLiteral("Bundled")))
        + QStringLiteral("/skin.json");
    const QByteArray before = readFile(bundled);
    SkinLoader::shared().loadAll();
    QSignalSpy spy(&SkinLoader::shared(), &SkinLoader::skinsReloaded);

    EXPECT_EQ(savePalette(QStringLiteral("Bundled")), QStringLiteral("Can't save a built-in skin"));
    EXPECT_EQ(savePalette(QStringLiteral("Handheld v1")), QStringLiteral("Can't save a built-in skin"));
    EXPECT_EQ(readFile(bundled), before);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(SkinJSONSaverTest, ACuratedPaletteIsCopiedAsStoredAndTheSkinsReload)
{
    const QString path = userSkin(QStringLiteral("retro"), minimalSkin(QStringLiteral("Retro")));
    SkinLoader::shared().loadAll();
    settings().paletteOverrides.insert(QStringLiteral("Retro"), QStringLiteral("dracula"));
    const auto dracula = CuratedPalettes::byId(QStringLiteral("dracula"));
    ASSERT_TRUE(dracula.has_value());

    QSignalSpy spy(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(savePalette(QStringLiteral("Retro")), QStringLiteral("Saved \u2713"));

    const QJsonObject palette = readObject(path).value("palette").toObject();
    EXPECT_EQ(palette.value("foreground").toString(), dracula->foreground);
    EXPECT_EQ(palette.value("background").toString(), dracula->background);
    EXPECT_EQ(palette.value("cursor").toString(), dracula->cursor);
    EXPECT_EQ(palette.value("ansi").toArray(), QJsonArray::fromStringList(dracula->ansi));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_GE(SkinLoader::shared().lastManualBroadcast(), before);
    ASSERT_FALSE(SkinLoader::shared().skins().empty());
    EXPECT_EQ(SkinLoader::shared().skins().front().palette.background.name(), dracula->background);
    EXPECT_EQ(settings().paletteOverrides.value(QStringLiteral("Retro")), QStringLiteral("dracula"))
        << "the overrides stay";
}

TEST_F(SkinJSONSaverTest, TheSkinsOwnColoursAreWrittenInUpperCaseWithTheCursorOverride)
{
    const QString path
        = userSkin(QStringLiteral("retro"),
                   skinWithPalette(QStringLiteral("Retro"), {{"foreground", "#a0b1c2"}, {"background", "#0d0e0f"}}));
    SkinLoader::shared().loadAll();
    settings().cursorOverrides.insert(QStringLiteral("Retro"), QStringLiteral("#ff8000"));

    EXPECT_EQ(savePalette(QStringLiteral("Retro")), QStringLiteral("Saved \u2713"));
    EXPECT_EQ(readObject(path).value("palette").toObject(),
              (QJsonObject{{"foreground", "#A0B1C2"}, {"background", "#0D0E0F"}, {"cursor", "#FF8000"}}));
}

TEST_F(SkinJSONSaverTest, ACursorOnlyChangeKeepsTheColoursTheSkinNeedsToLoad)
{
    // The skin is not in the loaded list (it was added after the last scan),
    // so only the cursor override is known.
    SkinLoader::shared().loadAll();
    const QString path
        = userSkin(QStringLiteral("late"),
                   skinWithPalette(QStringLiteral("Late"),
                                   {{"foreground", "#112233"}, {"background", "#445566"}, {"cursor", "#000000"}}));
    settings().cursorOverrides.insert(QStringLiteral("Late"), QStringLiteral("#abcdef"));
    ASSERT_EQ(paletteDict(QStringLiteral("Late")), (QJsonObject{{"cursor", "#ABCDEF"}}));

    EXPECT_EQ(savePalette(QStringLiteral("Late")), QStringLiteral("Saved \u2713"));
    EXPECT_EQ(readObject(path).value("palette").toObject(),
              (QJsonObject{{"foreground", "#112233"}, {"background", "#445566"}, {"cursor", "#ABCDEF"}}));
    bool loaded = false;
    for (const SkinManifest& skin : SkinLoader::shared().skins())
        loaded = loaded || skin.name == QStringLiteral("Late");
    EXPECT_TRUE(loaded);
}

TEST_F(SkinJSONSaverTest, TheWholeFileIsRewrittenSortedAndPrettyKeepingOtherKeys)
{
    const QByteArray original
        = R"({"name":"Plain","screenInFront":true,"category":"x","buttons":[],)"
          R"("viewport":{"y":2,"x":1,"width":3,"height":4},"frame":{"image":"f.png","width":5,"height":6},)"
          R"("palette":{"foreground":"#010203","background":"#040506","extra":1},"drawer":{"edge":"left"}})";
    const QString path = writeSkin(userSkins(), QStringLiteral("plain"), original) + QStringLiteral("/skin.json");
    SkinLoader::shared().loadAll();

    EXPECT_EQ(savePalette(QStringLiteral("Plain")), QStringLiteral("Saved \u2713"));
    const QByteArray written = readFile(path);
    const QJsonObject expected = QJsonDocument::fromJson(original).object();
    EXPECT_EQ(QJsonDocument::fromJson(written).object(), expected) << "same colours, nothing else touched";
    const QList<QByteArray> order{"\"buttons\"",
                                  "\"category\"",
                                  "\"drawer\"",
                                  "\"frame\"",
                                  "\"name\"",
                                  "\"palette\"",
                                  "\"screenInFront\"",
                                  "\"viewport\""};
    for (qsizetype i = 1; i < order.size(); ++i)
        EXPECT_LT(written.indexOf(order[i - 1]), written.indexOf(order[i])) << order[i].constData();
    EXPECT_LT(written.indexOf("\"x\""), written.indexOf("\"y\""));
    EXPECT_TRUE(written.contains("\n    \"buttons\""));
}

TEST_F(SkinJSONSaverTest, WithNothingToBakeTheFileIsStillRewrittenAndReloaded)
{
    SkinLoader::shared().loadAll();
    const QString path = userSkin(QStringLiteral("ghost"), minimalSkin(QStringLiteral("Ghost")));
    QSignalSpy spy(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    EXPECT_TRUE(paletteDict(QStringLiteral("Ghost")).isEmpty());
    EXPECT_EQ(savePalette(QStringLiteral("Ghost")), QStringLiteral("Saved \u2713"));
    EXPECT_EQ(readObject(path), minimalSkin(QStringLiteral("Ghost")));
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(SkinJSONSaverTest, TheFirstFolderInListingOrderWins)
{
    const QString first = userSkin(QStringLiteral("a-twin"), minimalSkin(QStringLiteral("Twin")));
    const QString second = userSkin(QStringLiteral("b-twin"), minimalSkin(QStringLiteral("Twin")));
    test::writeFile(userSkins() + QStringLiteral("/0-broken/skin.json"), "{ nope");
    test::writeFile(userSkins() + QStringLiteral("/0-list/skin.json"), R"(["Twin"])");
    test::writeFile(userSkins() + QStringLiteral("/0-number/skin.json"), R"({"name": 7})");
    test::writeFile(userSkins() + QStringLiteral("/0-file"), "Twin");
    SkinLoader::shared().loadAll();
    settings().cursorOverrides.insert(QStringLiteral("Twin"), QStringLiteral("#123456"));
    const QByteArray secondBefore = readFile(second);

    EXPECT_EQ(SkinManifestFile::findByName(userSkins(), QStringLiteral("Twin")), first);
    EXPECT_FALSE(SkinManifestFile::findByName(userSkins(), QStringLiteral("twin")).has_value());
    EXPECT_EQ(savePalette(QStringLiteral("Twin")), QStringLiteral("Saved \u2713"));
    EXPECT_EQ(readObject(first).value("palette").toObject().value("cursor").toString(), QStringLiteral("#123456"));
    EXPECT_EQ(readFile(second), secondBefore);
}

TEST_F(SkinJSONSaverTest, AFileTheLoaderRefusesIsLeftAlone)
{
    // Found by its name, yet no skin: without a frame it never loads.
    QJsonObject json = minimalSkin(QStringLiteral("Frameless"));
    json.remove(QStringLiteral("frame"));
    const QString path = userSkin(QStringLiteral("frameless"), json);
    settings().paletteOverrides.insert(QStringLiteral("Frameless"), QStringLiteral("dracula"));
    const QByteArray before = readFile(path);
    QSignalSpy spy(&SkinLoader::shared(), &SkinLoader::skinsReloaded);

    EXPECT_EQ(savePalette(QStringLiteral("Frameless")), QStringLiteral("Couldn't read skin.json"));
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(SkinJSONSaverTest, PaletteDictFallsBackThroughOverrideSkinAndNothing)
{
    SkinLoader::shared().loadAll();
    EXPECT_EQ(paletteDict(QStringLiteral("Handheld v1")),
              (QJsonObject{{"foreground", "#00FF40"}, {"background", "#050505"}}));

    settings().paletteOverrides.insert(QStringLiteral("Handheld v1"), QStringLiteral("no-such-palette"));
    EXPECT_EQ(paletteDict(QStringLiteral("Handheld v1")).value("foreground").toString(), QStringLiteral("#00FF40"))
        << "an unknown palette id counts as no override";

    EXPECT_TRUE(paletteDict(QStringLiteral("Nobody")).isEmpty());
    settings().cursorOverrides.insert(QStringLiteral("Nobody"), QStringLiteral("bad"));
    EXPECT_EQ(paletteDict(QStringLiteral("Nobody")), (QJsonObject{{"cursor", "#FF00FF"}}));
}

TEST_F(SkinJSONSaverTest, NsHexRounds)
{
    EXPECT_EQ(SkinJSONSaver::nsHex(QColor::fromRgbF(0.5f, 1.0f, 0.0f)), QStringLiteral("#80FF00"));
}

// Limits the size of files this process may write, so that writing fails
// even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

TEST_F(SkinJSONSaverTest, AFailedWriteLeavesTheOldFileWhole)
{
    const QString path = userSkin(QStringLiteral("retro"), minimalSkin(QStringLiteral("Retro")));
    SkinLoader::shared().loadAll();
    settings().paletteOverrides.insert(QStringLiteral("Retro"), QStringLiteral("dracula"));
    const QByteArray before = readFile(path);
    QSignalSpy spy(&SkinLoader::shared(), &SkinLoader::skinsReloaded);
    {
        FileSizeLimit limit(16);
        EXPECT_EQ(savePalette(QStringLiteral("Retro")), QStringLiteral("Write failed"));
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(QDir(userSkins() + QStringLiteral("/retro")).entryList(QDir::Files), QStringList{"skin.json"})
        << "no temporary file is left behind";
}

} // namespace
} // namespace velmora
