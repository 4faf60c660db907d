#include "device/DeviceWindowController.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "device/DevicePlacement.h"
#include "device/DeviceWindowFixture.h"
#include "device/SavedFrame.h"
#include "device/WindowAspect.h"
#include "skin/HexColor.h"
#include "skin/SkinLoader.h"
#include "skin/ViewportShape.h"
#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"
#include "support/ShellScreen.h"
#include "support/SkinOnDisk.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace velmora {
namespace {

using test::savedFrame;

using test::ProgramHome;
using test::waitUntil;

CuratedPalette curated(int ansiCount)
{
    CuratedPalette p;
    p.id = QStringLiteral("test-palette");
    p.foreground = QStringLiteral("#112233");
    p.background = QStringLiteral("#445566");
    p.cursor = QStringLiteral("#778899");
    for (int i = 0; i < ansiCount; ++i)
        p.ansi << QStringLiteral("#0000%1").arg(i, 2, 16, QLatin1Char('0'));
    return p;
}

TEST(PaletteResolutionTest, OverridesApplyByTheSkinsName)
{
    SkinManifest skin = SkinManifest::handheld();
    const auto lookup = [](int ansiCount) {
        return [ansiCount](const QString& id) -> std::optional<CuratedPalette> {
            if (id != QLatin1String("test-palette"))
                return std::nullopt;
            return curated(ansiCount);
        };
    };
    struct Case {
        const char* name;
        QMap<QString, QString> cursorOverrides;
        QMap<QString, QString> paletteOverrides;
        int curatedAnsi;
        QColor foreground;
        std::optional<QColor> cursor;
        bool hasAnsi;
    };
    const QString name = skin.name;
    const Case cases[] = {
        {"no overrides", {}, {}, 16, skin.palette.foreground, std::nullopt, false},
        {"cursor override over the skin",
         {{name, "#ff8000"}},
         {},
         16,
         skin.palette.foreground,
         QColor(255, 128, 0),
         false},
        {"curated palette", {}, {{name, "test-palette"}}, 16, QColor(0x11, 0x22, 0x33), QColor(0x77, 0x88, 0x99), true},
        {"cursor override over a curated palette",
         {{name, "#ff8000"}},
         {{name, "test-palette"}},
         16,
         QColor(0x11, 0x22, 0x33),
         QColor(255, 128, 0),
         true},
        {"curated palette with 15 ANSI colours",
         {},
         {{name, "test-palette"}},
         15,
         QColor(0x11, 0x22, 0x33),
         QColor(0x77, 0x88, 0x99),
         false},
        {"curated palette with 17 ANSI colours",
         {},
         {{name, "test-palette"}},
         17,
         QColor(0x11, 0x22, 0x33),
         QColor(0x77, 0x88, 0x99),
         false},
        {"unknown palette id", {}, {{name, "no-such-palette"}}, 16, skin.palette.foreground, std::nullopt, false},
        {"another skin's overrides",
         {{"Other", "#ff8000"}},
         {{"Other", "test-palette"}},
         16,
         skin.palette.foreground,
         std::nullopt,
         false},
        {"a cursor that is no colour",
         {{name, "zz"}},
         {},
         16,
         skin.palette.foreground,
         QColor::fromRgbF(1, 0, 1),
         false},
    };
    for (const Case& c : cases) {
        SettingsData settings;
        settings.cursorOverrides = c.cursorOverrides;
        settings.paletteOverrides = c.paletteOverrides;
        const auto palette = DeviceWindowController::resolvePalette(skin, settings, lookup(c.curatedAnsi));
        EXPECT_EQ(palette.foreground, c.foreground) << c.name;
        EXPECT_EQ(palette.cursor, c.cursor) << c.name;
        EXPECT_EQ(palette.ansi.has_value(), c.hasAnsi) << c.name;
    }

    // The skin's own 16 ANSI colours are kept; a real curated palette resolves.
    std::array<QColor, 16> ansi;
    ansi.fill(QColor(1, 2, 3));
    skin.palette.ansi = ansi;
    EXPECT_TRUE(DeviceWindowController::resolvePalette(skin, SettingsData{}).ansi);
    SettingsData settings;
    const CuratedPalette first = CuratedPalettes::all().first();
    settings.paletteOverrides.insert(name, first.id);
    EXPECT_EQ(DeviceWindowController::resolvePalette(skin, settings).background,
              HexColor::toColorOrMagenta(first.background));
}

class DeviceWindowControllerTest : public test::DeviceWindowFixture {
protected:
    static QRect mainArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

// Pixels of the window's picture inside the rectangle that are close to the colour.
int countNear(const QImage& image, const QRect& rect, const QColor& colour, int tolerance)
{
    int n = 0;
    for (int y = std::max(0, rect.top()); y <= std::min(image.height() - 1, rect.bottom()); ++y) {
        for (int x = std::max(0, rect.left()); x <= std::min(image.width() - 1, rect.right()); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    }
    return n;
}

TEST_F(DeviceWindowControllerTest, HandheldOpensAtItsFitScaleWithThePromptOnTheScreen)
{
    const SkinManifest& skin = SkinManifest::handheld();
    DeviceWindowController& c = open(skin);
    const double scale = std::max(0.2, std::min(DevicePlacement::fitScale(skin.frameSize, mainArea()), 1.0));
    EXPECT_NEAR(c.currentScale(), c.window()->width() / 398.0, 1e-9);
    EXPECT_EQ(c.window()->size(), QSize(int(std::lround(398 * scale)), int(std::lround(555 * scale))));
    EXPECT_TRUE(c.window()->windowFlags() & Qt::FramelessWindowHint);

    ShellView* session = c.terminalPanel().manager().active();
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(waitUntil([&] { return test::screenContains(*session->terminal(), "velmora$ "); }))
        << test::screenText(*session->terminal());

    // The terminal and its caret lie inside the screen area.
    const QRectF screen = c.viewportRectInWindow();
    const QRect terminal(session->terminal()->mapTo(c.window(), QPoint(0, 0)), session->terminal()->size());
    EXPECT_TRUE(screen.adjusted(-1, -1, 1, 1).contains(QRectF(terminal))) << "terminal outside the screen";
    const QRect caret = session->terminal()->caretFrame().translated(terminal.topLeft());
    EXPECT_TRUE(screen.contains(QRectF(caret))) << "caret outside the screen";

    // And the prompt is drawn there, in the skin's green.
    const QImage picture = c.window()->grab().toImage();
    const QColor green = skin.palette.foreground.toRgb();
    EXPECT_GT(countNear(picture, screen.toAlignedRect(), green, 60), 20);
    const QRect belowScreen(0, int(screen.bottom()) + 30, c.window()->width(), 40);
    EXPECT_EQ(countNear(picture, belowScreen, green, 60), 0);
}

// The screen and the tab pills lie on the frame's opening, to the pixel.
void expectAligned(DeviceWindowController& c, const char* when)
{
    const QRectF opening = ViewportShape::boundingBox(c.skinFrameView()->scaledViewportQuad());
    const QRect screen = c.screenContainer()->geometry();
    EXPECT_LE(std::abs(screen.left() - opening.left()), 1) << when;
    EXPECT_LE(std::abs(screen.top() - opening.top()), 1) << when;
    EXPECT_LE(std::abs(screen.right() + 1 - opening.right()), 1) << when;
    EXPECT_LE(std::abs(screen.bottom() + 1 - opening.bottom()), 1) << when;
    const QWidget* tabs = c.terminalPanel().tabsView();
    const QRectF pills(QPointF(tabs->mapTo(c.window(), QPoint(0, 0))), QSizeF(tabs->size()));
    EXPECT_NEAR(pills.left(), opening.left() + TerminalPanel::tabsInset, 1.5) << when;
    EXPECT_NEAR(pills.bottom(), opening.bottom() - TerminalPanel::tabsInset, 1.5) << when;
}

TEST_F(DeviceWindowControllerTest, AResizeToAnotherAspectSettlesAtTheSkinsAspectAlignedThroughout)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    c.terminalPanel().addSession();
    const QSizeF aspect = c.skin().frameSize;
    expectAligned(c, "as opened");

    // As a window manager that ignores the window's aspect hint resizes it:
    // laid out at that size first, then settled.
    bool offAspect = false;
    const QMetaObject::Connection watch = QObject::connect(c.window(), &DeviceWindow::didResize, c.window(), [&] {
        if (c.window()->size() != QSize(600, 400))
            return;
        offAspect = true;
        expectAligned(c, "off the aspect");
    });
    c.window()->resize(600, 400);

    ASSERT_TRUE(waitUntil([&] { return WindowAspect::holds(c.window()->size(), aspect); }, 5000))
        << c.window()->width() << " × " << c.window()->height();
    QObject::disconnect(watch);
    EXPECT_TRUE(offAspect);
    const QRect area = mainArea();
    EXPECT_LE(c.window()->width(), area.width());
    EXPECT_LE(c.window()->height(), area.height());
    EXPECT_NE(c.window()->size(), QSize(600, 400));
    EXPECT_NEAR(c.currentScale(), c.window()->width() / aspect.width(), 1e-9);
    expectAligned(c, "settled");
}

TEST_F(DeviceWindowControllerTest, AResizePastTheScreenSettlesInsideItsAvailableArea)
{
    // As a window manager resizes the window: one that keeps the aspect hint
    // itself and so may make the window taller than the screen, or one that
    // ignores it.
    const QRect area = mainArea();
    const QSizeF aspect = SkinManifest::handheld().frameSize;
    const int tall = area.height() + 400;
    struct Row {
        const char* name;
        QSize resize;
    };
    const Row rows[] = {
        {"at the aspect, taller than the area", QSize(int(std::lround(tall * aspect.width() / aspect.height())), tall)},
        {"at the aspect, wider than the area",
         QSize(area.width() + 50, int(std::lround((area.width() + 50) * aspect.height() / aspect.width())))},
        {"much wider and lower than the aspect", QSize(area.width() - 20, area.height() / 4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceWindowController& c = open(SkinManifest::handheld());
        c.window()->move(area.topLeft() + QPoint(10, 30));
        QCoreApplication::processEvents();
        c.window()->resize(row.resize);
        ASSERT_TRUE(waitUntil(
            [&] {
                const QSize size = c.window()->size();
                return size != row.resize && size.width() <= area.width() && size.height() <= area.height();
            },
            5000))
            << c.window()->width() << " × " << c.window()->height();
        EXPECT_TRUE(WindowAspect::holds(c.window()->size(), aspect));
        EXPECT_TRUE(area.contains(c.window()->geometry())) << c.window()->x() << ", " << c.window()->y() << " "
                                                           << c.window()->width() << " × " << c.window()->height();
        // The largest such size: one of its sides spans the area.
        EXPECT_TRUE(c.window()->width() >= area.width() - 1 || c.window()->height() >= area.height() - 1);
        EXPECT_NEAR(c.currentScale(), c.window()->width() / aspect.width(), 1e-9);
    }
}

TEST_F(DeviceWindowControllerTest, ARestoredFrameKeepsItsSizeOffTheAspect)
{
    controller = std::make_unique<DeviceWindowController>(
        SkinManifest::handheld(), SettingsStore::shared(), SkinLoader::shared(), savedFrame(40, 30, 360, 560));
    controller->showWindow();
    QTest::qWait(DeviceWindow::settleDelayMs * 3);
    EXPECT_EQ(controller->window()->size(), QSize(360, 560));
    expectAligned(*controller, "restored");
}

// Resident memory of this process.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

TEST_F(DeviceWindowControllerTest, AnEnormousFrameNeverMakesAWindowLargerThanTheScreen)
{
    SkinManifest enormous = SkinManifest::handheld();
    enormous.id = QStringLiteral("enormous");
    enormous.name = QStringLiteral("Enormous");
    enormous.frameSize = QSizeF(100000, 100000);
    enormous.viewportRect = QRectF(10000, 10000, 80000, 60000);
    const QRect area = mainArea();
    const qint64 before = residentBytes();

    DeviceWindowController& c = open(enormous);
    const auto fitsTheScreen = [&] {
        const QSize size = c.window()->size();
        return size.width() <= area.width() && size.height() <= area.height() && size.width() > 0;
    };
    EXPECT_TRUE(fitsTheScreen()) << c.window()->width() << " × " << c.window()->height();
    EXPECT_FALSE(c.window()->grab().isNull());
    // A skin change puts the skin at its design size, a reload keeps the
    // scale: both within the screen too.
    c.changeSkin(SkinManifest::handheld());
    c.changeSkin(enormous);
    EXPECT_TRUE(fitsTheScreen()) << c.window()->width() << " × " << c.window()->height();
    EXPECT_FALSE(c.window()->grab().isNull());
    EXPECT_LT(residentBytes() - before, qint64(300) << 20);
}

TEST_F(DeviceWindowControllerTest, ReloadWithANewFrameSizeKeepsTheTopLeftCorner)
{
    const QString folder = AppPaths::skinsDir() + QStringLiteral("/reloaded");
    QJsonObject json = test::minimalSkin(QStringLiteral("Reloaded"));
    test::writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));
    SkinLoader::shared().loadAll();
    const auto& skins = SkinLoader::shared().skins();
    const auto found = std::find_if(
        skins.begin(), skins.end(), [](const SkinManifest& s) { return s.id == QLatin1String("reloaded"); });
    ASSERT_NE(found, skins.end());
    DeviceWindowController& c = open(*found);
    const QRect before = c.window()->geometry();
    const double scale = c.currentScale();
    ShellView* session = c.terminalPanel().manager().active();

    json.insert(QStringLiteral("frame"), QJsonObject{{"image", "frame@2x.png"}, {"width", 300}, {"height", 500}});
    test::writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));
    SkinLoader::shared().reloadAndBroadcast();
    QCoreApplication::processEvents();

    const QRect after = c.window()->geometry();
    EXPECT_EQ(after.topLeft(), before.topLeft());
    EXPECT_EQ(after.size(), QSize(int(std::lround(300 * scale)), int(std::lround(500 * scale))));
    EXPECT_NEAR(c.currentScale(), after.width() / 300.0, 1e-9);
    EXPECT_EQ(c.skin().frameSize, QSizeF(300, 500));
    EXPECT_EQ(c.skinFrameView()->skin().frameSize, QSizeF(300, 500));
    EXPECT_EQ(c.terminalPanel().manager().active(), session) << "the sessions stay";
    QDir(folder).removeRecursively();
    SkinLoader::shared().loadAll();
}

TEST_F(DeviceWindowControllerTest, ChangingSkinPutsItAtDesignSizeAroundTheSameCentre)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    const QPoint centre = c.window()->geometry().center();
    ShellView* session = c.terminalPanel().manager().active();
    c.changeSkin(SkinManifest::walkie());
    EXPECT_EQ(c.window()->size(), QSize(421, 661));
    EXPECT_LE((c.window()->geometry().center() - centre).manhattanLength(), 2);
    EXPECT_DOUBLE_EQ(c.currentScale(), 1.0);
    EXPECT_EQ(c.skinFrameView()->skin().id, QStringLiteral("walkie"));
    EXPECT_EQ(c.terminalPanel().manager().active(), session);
    EXPECT_EQ(session->terminal()->nativeForegroundColor(), SkinManifest::walkie().palette.foreground);
    EXPECT_EQ(c.screenContainer()->geometry(), QRect(68, 213, 285, 147));
}

// The colour of every pill of the strip, the add pill last.
std::vector<QColor> pillColours(const SessionTabsView& tabs)
{
    std::vector<QColor> colours;
    for (const PillButton* pill : tabs.pillViews())
        colours.push_back(pill->paletteForeground());
    colours.push_back(tabs.addButton()->paletteForeground());
    return colours;
}

TEST_F(DeviceWindowControllerTest, TabPillsTakeTheColourOfANewOrReloadedSkinAtOnce)
{
    const QString folder = AppPaths::skinsDir() + QStringLiteral("/repainted");
    QJsonObject json = test::minimalSkin(QStringLiteral("Repainted"));
    test::writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));
    SkinLoader::shared().loadAll();
    const std::optional<SkinManifest> repainted = SkinLoader::shared().loadSingle(folder);
    ASSERT_TRUE(repainted);

    DeviceWindowController& c = open(SkinManifest::handheld());
    c.terminalPanel().addSession();
    c.terminalPanel().addSession();
    c.terminalPanel().manager().switchTo(1);
    const SessionTabsView& tabs = *c.terminalPanel().tabsView();
    ASSERT_EQ(pillColours(tabs), std::vector<QColor>(4, SkinManifest::handheld().palette.foreground));

    c.changeSkin(SkinManifest::walkie());
    EXPECT_EQ(pillColours(tabs), std::vector<QColor>(4, SkinManifest::walkie().palette.foreground));
    c.changeSkin(*repainted);
    EXPECT_EQ(pillColours(tabs), std::vector<QColor>(4, QColor(0, 255, 0)));
    EXPECT_EQ(tabs.count(), 3);
    EXPECT_TRUE(tabs.pillViews()[1]->isActive()) << "the active tab stays";

    json.insert(QStringLiteral("palette"), QJsonObject{{"foreground", "#ff00aa"}, {"background", "#101010"}});
    test::writeFile(folder + QStringLiteral("/skin.json"), test::toBytes(json));
    SkinLoader::shared().reloadAndBroadcast();
    QCoreApplication::processEvents();
    EXPECT_EQ(pillColours(tabs), std::vector<QColor>(4, QColor(0xff, 0x00, 0xaa)));
    EXPECT_EQ(c.terminalPanel().manager().active()->terminal()->nativeForegroundColor(), QColor(0xff, 0x00, 0xaa));
    QDir(folder).removeRecursively();
    SkinLoader::shared().loadAll();
}

TEST_F(DeviceWindowControllerTest, SettingsChangesReachTheWindowsOfTheirSkin)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    SettingsStore& store = SettingsStore::shared();
    ShellView* session = c.terminalPanel().manager().active();
    const QString name = c.skin().name;

    store.data().paletteOverrides.insert(name, CuratedPalettes::all().first().id);
    store.announcePaletteChange(QStringLiteral("Another Skin"));
    EXPECT_EQ(session->terminal()->nativeForegroundColor(), c.skin().palette.foreground) << "another skin's change";
    store.announcePaletteChange(name);
    const QColor curatedForeground = HexColor::toColorOrMagenta(CuratedPalettes::all().first().foreground);
    EXPECT_EQ(session->terminal()->nativeForegroundColor(), curatedForeground);

    // Resetting all settings posts without a skin: every window follows.
    store.data().paletteOverrides.clear();
    store.announcePaletteChange();
    EXPECT_EQ(session->terminal()->nativeForegroundColor(), c.skin().palette.foreground);

    SkinEffectsSettings effects;
    effects.scanlines = true;
    store.data().skinEffects.insert(name, effects);
    store.announceEffectsChange(QStringLiteral("Another Skin"));
    EXPECT_FALSE(c.effectsActive());
    store.announceEffectsChange(name);
    EXPECT_TRUE(c.effects().scanlines);
    EXPECT_TRUE(c.effectsActive());
    store.data().skinEffects.clear();
    store.announceEffectsChange();
    EXPECT_FALSE(c.effectsActive());
}

TEST_F(DeviceWindowControllerTest, ClosingTheWindowEndsEachShellOnce)
{
    // A shell that notes every SIGTERM, ignores hang-ups and runs until killed.
    const QString log
        = ProgramHome::instance().file(QStringLiteral("terms-") + QString::number(QDateTime::currentMSecsSinceEpoch()));
    const QString script = log + QStringLiteral(".sh");
    test::writeFile(script,
                    QStringLiteral("#!/bin/sh\necho \"started $$\" >> '%1'\ntrap 'echo \"TERM $$\" >> \"%1\"' TERM\n"
                                   "trap '' HUP\nwhile :; do sleep 0.05; done\n")
                        .arg(log)
                        .toUtf8());
    QFile(script).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    SettingsStore::shared().data().defaultShell = script;

    DeviceWindowController& c = open(SkinManifest::handheld());
    c.terminalPanel().addSession();
    c.terminalPanel().addSession();
    std::vector<pid_t> pids;
    for (ShellView* session : c.terminalPanel().manager().sessions())
        pids.push_back(session->terminal()->process().shellPid());
    ASSERT_EQ(pids.size(), 3u);
    ASSERT_TRUE(waitUntil([&] { return test::readFile(log).count("started") == 3; }));

    c.window()->close();
    c.window()->close();
    EXPECT_TRUE(c.didTeardown());
    EXPECT_EQ(c.terminalPanel().manager().count(), 0);
    for (pid_t pid : pids)
        EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; }, 6000)) << "shell " << pid << " still runs";
    const QByteArray lines = test::readFile(log);
    for (pid_t pid : pids)
        EXPECT_EQ(lines.count(QByteArray("TERM ") + QByteArray::number(pid) + '\n'), 1) << lines.constData();
}

TEST_F(DeviceWindowControllerTest, FrameLiesOverTheScreenUnlessTheScreenIsInFront)
{
    for (bool inFront : {false, true}) {
        SkinManifest skin = SkinManifest::handheld();
        skin.screenInFront = inFront;
        DeviceWindowController& c = open(skin);
        const QObjectList& children = c.window()->children();
        const auto frame = children.indexOf(c.skinFrameView());
        const auto screen = children.indexOf(c.screenContainer());
        ASSERT_GE(frame, 0);
        ASSERT_GE(screen, 0);
        EXPECT_EQ(frame < screen, inFront) << "screen in front: " << inFront;
    }
}

} // namespace
} // namespace velmora
