// The application as its delegate composes it, offscreen: which windows a
// launch opens, the order of the start-up steps, the saving of window frames,
// quitting, the menu actions on the active device window and the
// application's other windows. Settings live in the program's private
// home (ProgramHome); the skins are fixtures in a temporary resource
// folder.

#include "app/AppDelegate.h"

#include "app/AppWindows.h"
#include "app/CommandPaletteController.h"
#include "app/CommandPaletteView.h"
#include "app/DeviceWindowActions.h"
#include "app/GlobalHotkey.h"
#include "app/MainMenu.h"
#include "app/SkinLookup.h"
#include "app/StatusItemController.h"
#include "app/WelcomeWindowController.h"
#include "app/WindowRegistry.h"
#include "core/SettingsStore.h"
#include "corvel/qt/TerminalFindBarView.h"
#include "device/DeviceWindowController.h"
#include "settings/AboutWindowController.h"
#include "settings/KeysSettingsTab.h"
#include "settings/SettingsWindowController.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinBuilderWindowController.h"
#include "skinpicker/SkinCard.h"
#include "skinpicker/SkinPickerView.h"
#include "skinpicker/SkinPickerWindowController.h"
#include "support/BuilderTestSupport.h"
#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"
#include "support/ScopedEnvironment.h"
#include "support/ShellScreen.h"
#include "support/SkinOnDisk.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

namespace velmora {
namespace {

using test::ProgramHome;
using test::screenContains;
using test::screenText;
using test::typeLine;
using test::waitUntil;

WindowState saved(const QString& id, const QString& name, QRect frame)
{
    WindowState state;
    state.id = id;
    state.skinName = name;
    state.x = frame.x();
    state.y = frame.y();
    state.width = frame.width();
    state.height = frame.height();
    return state;
}

// The settings file as it is on disk.
QJsonObject settingsOnDisk()
{
    return QJsonDocument::fromJson(test::readFile(SettingsStore::shared().settingsPath())).object();
}

// The skin ids of the saved windows, joined with commas.
std::string savedSkinIds()
{
    QStringList ids;
    for (const QJsonValue& window : settingsOnDisk().value(QStringLiteral("lastWindows")).toArray())
        ids.append(window.toObject().value(QStringLiteral("id")).toString());
    return ids.join(u',').toStdString();
}

std::string joined(const QStringList& list) { return list.join(u',').toStdString(); }

// A process that is gone, or a zombie nobody has reaped yet.
bool processEnded(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) == "Z";
}

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramHome::instance();
        ASSERT_TRUE(m_bundle.isValid());
        const QString skins = m_bundle.filePath(QStringLiteral("Skins"));
        for (const QString& name : {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")})
            test::writeFile(skins + u'/' + name.toLower() + QStringLiteral("/skin.json"),
                            test::toBytes(test::minimalSkin(name)));
        m_resources = std::make_unique<test::ScopedEnvironment>("VELMORA_RESOURCES_DIR", m_bundle.path().toUtf8());
        ProgramHome::resetSettings();
        SkinLoader::shared().loadAll();
        ASSERT_EQ(SkinLoader::shared().skins().size(), 4u); // Alpha, Beta, Gamma, Handheld v1
    }

    void TearDown() override
    {
        m_delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_resources.reset();
        SkinLoader::shared().loadAll();
    }

    AppDelegate& makeDelegate(const QStringList& options = {})
    {
        m_delegate = std::make_unique<AppDelegate>(QStringList{QStringLiteral("velmora")} + options);
        return *m_delegate;
    }

    // A delegate with its menu and one window of the skin, made active, its
    // shell at its prompt.
    DeviceWindowController& openActiveWindow(const QString& skinName = QStringLiteral("Alpha"))
    {
        AppDelegate& delegate = m_delegate ? *m_delegate : makeDelegate();
        delegate.setupMenu();
        const std::vector<SkinManifest> skins = SkinLookup::skinList(SkinLoader::shared());
        const auto skin
            = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.name == skinName; });
        EXPECT_NE(skin, skins.end());
        delegate.windows().open(*skin);
        DeviceWindowController* controller = delegate.windows().controllers().back();
        controller->window()->activateWindow();
        EXPECT_TRUE(waitUntil([&] { return delegate.windows().activeController() == controller; }));
        EXPECT_TRUE(
            waitUntil([&] { return terminal(*controller) && screenContains(*terminal(*controller), "velmora$ "); }));
        return *controller;
    }

    static corvel::LocalProcessTerminalView* terminal(DeviceWindowController& controller)
    {
        ShellView* session = controller.terminalPanel().manager().active();
        return session ? session->terminal() : nullptr;
    }

    // A key as X delivers it to the focused widget of the active window, so
    // the window's shortcuts see it first.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text = {})
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        ASSERT_NE(target, nullptr);
        QTest::sendKeyEvent(QTest::Click, target, key, text, modifiers);
    }

    QTemporaryDir m_bundle;
    std::unique_ptr<test::ScopedEnvironment> m_resources;
    std::unique_ptr<AppDelegate> m_delegate;
};

// ---- the first windows ----------------------------------------------------------------

TEST_F(AppDelegateTest, ALaunchOpensThePreviewTheSavedWindowsTheDefaultSkinOrTheWelcome)
{
    QTemporaryDir folders;
    const QString preview = folders.filePath(QStringLiteral("preview"));
    test::writeFile(preview + QStringLiteral("/skin.json"),
                    test::toBytes(test::minimalSkin(QStringLiteral("Preview"))));
    const QString other = folders.filePath(QStringLiteral("other"));
    test::writeFile(other + QStringLiteral("/skin.json"), test::toBytes(test::minimalSkin(QStringLiteral("Other"))));
    const QString empty = folders.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);

    const QRect a(10, 10, 400, 600), b(200, 0, 300, 450), c(380, 20, 400, 600);
    const QList<WindowState> three = {saved(QStringLiteral("gamma"), QStringLiteral("Gamma"), a),
                                      saved(QStringLiteral("alpha"), QStringLiteral("Alpha"), b),
                                      saved(QStringLiteral("gamma"), QStringLiteral("Gamma"), c)};
    const QList<WindowState> byName
        = {saved(QString(), QStringLiteral("Beta"), a), saved(QStringLiteral("renamed"), QStringLiteral("Alpha"), b)};
    const QList<WindowState> gone = {saved(QStringLiteral("deleted"), QStringLiteral("Deleted"), a)};

    struct Case {
        const char* name;
        QStringList options;
        bool launchedBefore;
        bool restoreWindows;
        QList<WindowState> lastWindows;
        QString defaultSkin;
        QStringList expectedSkins;
        std::vector<QRect> expectedFrames; // checked when given
        bool expectWelcome;
    };
    const Case cases[] = {
        {"preview wins over saved windows, first launch untouched",
         {"--preview-skin", preview},
         false,
         true,
         three,
         "Beta",
         {"Preview"},
         {},
         false},
        {"only the first preview option counts",
         {"--preview-skin", preview, "--preview-skin", other},
         true,
         true,
         {},
         "Beta",
         {"Preview"},
         {},
         false},
        {"preview as the last argument is ignored", {"--preview-skin"}, true, true, {}, "Beta", {"Beta"}, {}, false},
        {"preview folder without skin.json falls through",
         {"--preview-skin", empty},
         true,
         true,
         three,
         "Beta",
         {"Gamma", "Alpha", "Gamma"},
         {a, b, c},
         false},
        {"saved windows reopen in order with their frames",
         {},
         true,
         true,
         three,
         "Beta",
         {"Gamma", "Alpha", "Gamma"},
         {a, b, c},
         false},
        {"saved windows are found by name when the id fails",
         {},
         true,
         true,
         byName,
         "Gamma",
         {"Beta", "Alpha"},
         {a, b},
         false},
        {"every saved skin gone: the default skin", {}, true, true, gone, "Beta", {"Beta"}, {}, false},
        {"restoring turned off: the default skin", {}, true, false, three, "Gamma", {"Gamma"}, {}, false},
        {"a default skin that is gone: the handheld", {}, true, true, {}, "Nowhere", {"Handheld v1"}, {}, false},
        {"first launch: the welcome window", {}, false, true, {}, "Beta", {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramHome::resetSettings();
        SettingsData& data = SettingsStore::shared().data();
        data.hasLaunchedBefore = c.launchedBefore;
        data.restoreWindows = c.restoreWindows;
        data.lastWindows = c.lastWindows;
        data.defaultSkin = c.defaultSkin;
        SettingsStore::shared().save();

        AppDelegate& delegate = makeDelegate(c.options);
        delegate.launch().continueLaunch();

        QStringList opened;
        for (DeviceWindowController* controller : delegate.windows().controllers())
            opened.append(controller->skin().name);
        EXPECT_EQ(joined(opened), joined(c.expectedSkins));
        for (std::size_t i = 0; i < c.expectedFrames.size() && i < delegate.windows().controllers().size(); ++i)
            EXPECT_EQ(delegate.windows().controllers()[i]->window()->geometry(), c.expectedFrames[i]) << i;
        const bool welcome = delegate.appWindows().welcome() && delegate.appWindows().welcome()->window()->isVisible();
        EXPECT_EQ(welcome, c.expectWelcome);
        EXPECT_EQ(settingsOnDisk().value(QStringLiteral("hasLaunchedBefore")).toBool(),
                  c.launchedBefore || c.expectWelcome);
        m_delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(AppDelegateTest, AFirstLaunchIsRecordedBeforeTheWelcomeWindowShows)
{
    // Reads the settings file at the moment the welcome window shows.
    class ShowWatcher : public QObject {
    public:
        std::optional<bool> launchedBeforeAtShow;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (event->type() == QEvent::Show && widget && widget->isWindow()
                && widget->windowTitle() == QLatin1String("Welcome to Velmora") && !launchedBeforeAtShow)
                launchedBeforeAtShow = settingsOnDisk().value(QStringLiteral("hasLaunchedBefore")).toBool();
            return false;
        }
    } watcher;
    qApp->installEventFilter(&watcher);
    AppDelegate& delegate = makeDelegate();
    delegate.launch().continueLaunch();
    qApp->removeEventFilter(&watcher);

    ASSERT_TRUE(watcher.launchedBeforeAtShow.has_value());
    EXPECT_TRUE(*watcher.launchedBeforeAtShow);
    EXPECT_TRUE(delegate.windows().controllers().empty());

    // A launch after quitting from the welcome window opens the default skin.
    m_delegate.reset();
    SettingsStore::shared().data().defaultSkin = QStringLiteral("Gamma");
    AppDelegate& second = makeDelegate();
    second.launch().continueLaunch();
    ASSERT_EQ(second.windows().controllers().size(), 1u);
    EXPECT_EQ(second.windows().controllers()[0]->skin().name, "Gamma");
    EXPECT_EQ(second.appWindows().welcome(), nullptr);
}

TEST_F(AppDelegateTest, FinishingTheWelcomeOpensTheSkinPickerAndAPickOpensAWindow)
{
    AppDelegate& delegate = makeDelegate();
    delegate.setupMenu();
    delegate.launch().continueLaunch();
    ASSERT_NE(delegate.appWindows().welcome(), nullptr);
    WelcomeView* welcome = delegate.appWindows().welcome()->view();
    while (welcome->index() + 1 < int(welcome->cards().size()))
        welcome->primaryAction();
    EXPECT_EQ(delegate.appWindows().skinPicker(), nullptr);
    welcome->primaryAction();

    EXPECT_FALSE(delegate.appWindows().welcome()->window()->isVisible());
    SkinPickerWindowController* picker = delegate.appWindows().skinPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->window()->isVisible());
    EXPECT_EQ(picker->window()->windowTitle(), "Choose a Skin");
    EXPECT_FALSE(picker->view()->currentSkinId().has_value());
    EXPECT_TRUE(delegate.windows().controllers().empty());

    // A click on a card opens a device window with that skin and closes the picker.
    const QList<SkinCard*> cards = picker->view()->cards();
    const auto beta
        = std::find_if(cards.begin(), cards.end(), [](SkinCard* card) { return card->skin().name == "Beta"; });
    ASSERT_NE(beta, cards.end());
    QTest::mouseClick(*beta, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_EQ(delegate.windows().controllers().size(), 1u);
    EXPECT_EQ(delegate.windows().controllers()[0]->skin().name, "Beta");
    EXPECT_FALSE(picker->window()->isVisible());
}

TEST_F(AppDelegateTest, NewWindowOpensAFreshPickerMarkingTheActiveWindowsSkin)
{
    DeviceWindowController& gamma = openActiveWindow(QStringLiteral("Gamma"));
    AppDelegate& delegate = *m_delegate;
    press(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    SkinPickerWindowController* first = delegate.appWindows().skinPicker();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->view()->currentSkinId(), std::optional(gamma.skin().id));
    const QPointer<QWidget> firstWindow = first->window();

    // The same key on the picker itself replaces it once the key is handled.
    first->window()->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == firstWindow; }));
    press(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_NE(delegate.appWindows().skinPicker(), nullptr);
    EXPECT_NE(delegate.appWindows().skinPicker(), first);
    EXPECT_FALSE(delegate.appWindows().skinPicker()->view()->currentSkinId().has_value());
    EXPECT_TRUE(waitUntil([&] { return firstWindow.isNull(); }));
    EXPECT_TRUE(delegate.appWindows().skinPicker()->window()->isVisible());
    delegate.appWindows().skinPicker()->close();
}

TEST_F(AppDelegateTest, StartUpRunsItsThirteenStepsInOrderWithTheWindowsOpenBeforeTheUpload)
{
    SettingsData& data = SettingsStore::shared().data();
    data.hasLaunchedBefore = true;
    data.defaultSkin = QStringLiteral("Beta");
    SettingsStore::shared().save();

    AppDelegate& delegate = makeDelegate();
    // Steps that reach outside the test (signal handlers, an X key grab, the
    // tray, a socket, the network) only say that they ran.
    QStringList sideEffects;
    for (const char* name : {"installCrashHandlers", "registerHotkey", "showStatusItem", "startServiceProvider"}) {
        ASSERT_NE(delegate.launch().step(QString::fromLatin1(name)), nullptr) << name;
        delegate.launch().step(QString::fromLatin1(name))->run = [&sideEffects, name] { sideEffects.append(name); };
    }
    std::size_t windowsAtUpload = 0;
    delegate.launch().step(QStringLiteral("flushPendingCrashReports"))->run
        = [&] { windowsAtUpload = delegate.windows().controllers().size(); };
    bool menuBeforeWindows = false;
    delegate.launch().step(QStringLiteral("continueLaunch"))->run
        = [&, original = delegate.launch().step(QStringLiteral("continueLaunch"))->run] {
              menuBeforeWindows = delegate.mainMenu() != nullptr && !SkinLoader::shared().skins().empty();
              original();
          };
    QStringList finished;
    QObject::connect(
        &delegate.launch(), &LaunchSequence::stepFinished, [&](const QString& name) { finished.append(name); });

    delegate.launch().run();

    EXPECT_EQ(joined(finished),
              joined(QStringList{"migrateLegacyAppSupport",
                                 "installCrashHandlers",
                                 "registerBundledFonts",
                                 "loadSkins",
                                 "repairDirtyStart",
                                 "removeStatuslineShim",
                                 "setupMenu",
                                 "registerHotkey",
                                 "showStatusItem",
                                 "requestNotificationAuthorization",
                                 "startServiceProvider",
                                 "continueLaunch",
                                 "flushPendingCrashReports"}));
    EXPECT_EQ(joined(sideEffects), "installCrashHandlers,registerHotkey,showStatusItem,startServiceProvider");
    EXPECT_TRUE(menuBeforeWindows);
    EXPECT_EQ(windowsAtUpload, 1u);
    ASSERT_EQ(delegate.windows().controllers().size(), 1u);
    EXPECT_EQ(delegate.windows().controllers()[0]->skin().name, "Beta");
    // The window carries the menu's keys.
    EXPECT_TRUE(delegate.windows().controllers()[0]->window()->actions().contains(
        delegate.mainMenu()->action(QStringLiteral("cycleSkin"))));
    EXPECT_TRUE(SkinLoader::shared().isWatching());
}

// ---- saving the windows -----------------------------------------------------------------

// When each move and resize of a window reaches the application, and when
// each save happens, on one clock.
class MoveAndSaveClock : public QObject {
public:
    explicit MoveAndSaveClock(QWidget* window)
    {
        m_clock.start();
        // Installed after the delegate's filter, so it sees each event first.
        window->installEventFilter(this);
    }
    void saved() { saves.push_back(m_clock.nsecsElapsed()); }

    std::vector<qint64> moves; // nanoseconds
    std::vector<qint64> saves;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            moves.push_back(m_clock.nsecsElapsed());
        return false;
    }

private:
    QElapsedTimer m_clock;
};

TEST_F(AppDelegateTest, ABurstOfMovesSavesOnceHalfASecondAfterTheLast)
{
    DeviceWindowController& controller = openActiveWindow();
    AppDelegate& delegate = *m_delegate;
    ASSERT_TRUE(waitUntil([&] { return !delegate.windows().isSnapshotPending(); }, 20000));
    QWidget* window = controller.window();
    MoveAndSaveClock clock(window);
    QObject::connect(&delegate.windows(), &WindowRegistry::windowStatesSaved, &clock, &MoveAndSaveClock::saved);

    // Moves a tenth of a second apart: each one puts the save off again.
    for (int step = 1; step <= 5; ++step) {
        const std::size_t seen = clock.moves.size();
        window->move(20 + 10 * step, 10 + 5 * step);
        ASSERT_TRUE(waitUntil([&] { return clock.moves.size() > seen; }, 20000)) << "move " << step;
        QTest::qWait(100);
    }
    ASSERT_TRUE(waitUntil([&] { return !clock.saves.empty() && !delegate.windows().isSnapshotPending(); }, 20000));
    QTest::qWait(WindowRegistry::snapshotDelayMs / 2); // room for a second save, should one come

    // No save sooner than the delay after the move before it, and the last
    // one after the last move.
    const qint64 delay = qint64{WindowRegistry::snapshotDelayMs} * 1'000'000;
    for (qint64 save : clock.saves) {
        const auto next = std::upper_bound(clock.moves.begin(), clock.moves.end(), save);
        ASSERT_NE(next, clock.moves.begin()) << "a save before any move";
        EXPECT_GE(save - *std::prev(next), delay)
            << "saved " << (save - *std::prev(next)) / 1'000'000 << " ms after a move";
    }
    EXPECT_GT(clock.saves.back(), clock.moves.back());
    // Once, unless the machine stalled between two moves for the whole delay.
    bool stalled = false;
    for (std::size_t i = 1; i < clock.moves.size(); ++i)
        stalled = stalled || clock.moves[i] - clock.moves[i - 1] >= delay;
    if (!stalled) {
        EXPECT_EQ(clock.saves.size(), 1u);
    }

    const QJsonArray windows = settingsOnDisk().value(QStringLiteral("lastWindows")).toArray();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0].toObject().value(QStringLiteral("x")).toDouble(), 70);
    EXPECT_EQ(windows[0].toObject().value(QStringLiteral("y")).toDouble(), 35);
    EXPECT_EQ(windows[0].toObject().value(QStringLiteral("id")).toString(), "alpha");
}

TEST_F(AppDelegateTest, ClosingAWindowDropsItFromTheSavedWindowsHalfASecondLater)
{
    openActiveWindow(QStringLiteral("Alpha"));
    DeviceWindowController& second = openActiveWindow(QStringLiteral("Beta"));
    AppDelegate& delegate = *m_delegate;
    delegate.windows().snapshotNow();
    ASSERT_EQ(savedSkinIds(), "alpha,beta");

    second.window()->close();
    EXPECT_EQ(delegate.windows().controllers().size(), 1u);
    EXPECT_TRUE(delegate.windows().isSnapshotPending());
    ASSERT_TRUE(waitUntil([&] { return savedSkinIds() == "alpha"; }, 20000));

    // The last one leaves an empty list, so the next launch opens the default.
    delegate.windows().controllers()[0]->window()->close();
    ASSERT_TRUE(waitUntil([&] { return savedSkinIds().empty() && !delegate.windows().isSnapshotPending(); }, 20000));
    EXPECT_TRUE(delegate.windows().controllers().empty());
}

TEST_F(AppDelegateTest, QuittingKeepsTheWindowsInTheSettingsAndEndsEveryShell)
{
    DeviceWindowController& first = openActiveWindow(QStringLiteral("Alpha"));
    DeviceWindowController& second = openActiveWindow(QStringLiteral("Gamma"));
    std::vector<pid_t> sleeps;
    for (DeviceWindowController* controller : {&first, &second}) {
        corvel::LocalProcessTerminalView& view = *terminal(*controller);
        typeLine(view, "sh -c 'echo SLEEP''PID=$$; exec sleep 1000'");
        const QRegularExpression pid(QStringLiteral("SLEEPPID=(\\d+)"));
        ASSERT_TRUE(waitUntil([&] { return pid.match(QString::fromStdString(screenText(view))).hasMatch(); }));
        sleeps.push_back(pid.match(QString::fromStdString(screenText(view))).captured(1).toInt());
        ASSERT_FALSE(processEnded(sleeps.back()));
    }
    SettingsStore::shared().data().lastWindows.clear();
    SettingsStore::shared().save();

    // The real quit: Qt closes every window before the event loop ends.
    AppDelegate& delegate = *m_delegate;
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.mainMenu()->action(QStringLiteral("quit"))->trigger(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(3); });
    EXPECT_EQ(QApplication::exec(), 0);

    EXPECT_TRUE(delegate.windows().isTerminating());
    EXPECT_EQ(savedSkinIds(), "alpha,gamma");
    // The controllers stay until the process ends.
    ASSERT_EQ(delegate.windows().controllers().size(), 2u);
    EXPECT_FALSE(first.window()->isVisible());
    for (DeviceWindowController* controller : {&first, &second}) {
        EXPECT_TRUE(controller->didTeardown());
        EXPECT_EQ(controller->terminalPanel().manager().count(), 0);
    }
    for (pid_t pid : sleeps)
        EXPECT_TRUE(waitUntil([pid] { return processEnded(pid); })) << "sleep " << pid << " still runs";
}

// ---- actions on the active device window --------------------------------------------------

TEST_F(AppDelegateTest, NextSkinWrapsAroundAndFindsTheWindowsSkinByIdThenName)
{
    const std::vector<SkinManifest> skins
        = SkinLookup::skinList(SkinLoader::shared()); // Alpha, Beta, Gamma, Handheld v1
    const auto named = [&](const QString& id, const QString& name) {
        SkinManifest skin = skins[0];
        skin.id = id;
        skin.name = name;
        return skin;
    };
    struct Case {
        const char* name;
        SkinManifest current;
        std::vector<SkinManifest> list;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"first to second", skins[0], skins, "Beta"},
        {"last wraps to first", skins[3], skins, "Alpha"},
        {"found by name when the id is unknown", named("moved", "Gamma"), skins, "Handheld v1"},
        {"the id wins over the name", named("beta", "Gamma"), skins, "Gamma"},
        {"in the list under neither: position 1", named("x", "y"), skins, "Beta"},
        {"a single skin: nothing", skins[0], {skins[0]}, std::nullopt},
        {"the built-in pair toggles", SkinManifest::walkie(), SkinManifest::builtInPair(), "Handheld v1"},
    };
    for (const Case& c : cases) {
        const std::optional<SkinManifest> next = SkinLookup::nextSkin(c.current, c.list);
        EXPECT_EQ(next ? std::optional(next->name) : std::nullopt, c.expected) << c.name;
    }
}

TEST_F(AppDelegateTest, CycleSkinChangesTheActiveWindowAndWrapsToTheFirstSkin)
{
    DeviceWindowController& controller = openActiveWindow(QStringLiteral("Gamma"));
    press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(controller.skin().name, "Handheld v1");
    press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(controller.skin().name, "Alpha");
    EXPECT_EQ(controller.window()->windowTitle(), "Alpha");
    // The sessions keep running.
    EXPECT_EQ(controller.terminalPanel().manager().count(), 1);
}

TEST_F(AppDelegateTest, ClearTerminalErasesTheScreenAndHomesTheCursorWithoutTellingTheShell)
{
    DeviceWindowController& controller = openActiveWindow();
    corvel::LocalProcessTerminalView& view = *terminal(controller);
    // cat echoes whatever reaches the shell's terminal, so anything sent to
    // the child would show.
    typeLine(view, "printf 'one\\ntwo\\n'; exec cat -v");
    ASSERT_TRUE(waitUntil([&] { return screenContains(view, "two\r\n") || screenContains(view, "two\n"); }));
    QTest::qWait(100);

    press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::qWait(300);
    const QString screen = QString::fromStdString(screenText(view));
    EXPECT_TRUE(screen.trimmed().isEmpty()) << screen.toStdString();
    EXPECT_EQ(view.getTerminal().getCursorLocation(), std::make_pair(0, 0));

    // The shell still answers as before: typed text is echoed at the top.
    view.send(std::string("hi\r"));
    ASSERT_TRUE(waitUntil([&] { return screenContains(view, "hi"); }));
    EXPECT_TRUE(QString::fromStdString(screenText(view)).startsWith(QStringLiteral("hi")));
}

TEST_F(AppDelegateTest, CtrlCStillReachesTheShellWhileCtrlShiftCCopies)
{
    DeviceWindowController& controller = openActiveWindow();
    corvel::LocalProcessTerminalView& view = *terminal(controller);
    // Without signals from the terminal, cat -v shows a 0x03 as "^C".
    // The quotes keep the echoed command line from matching before stty has run.
    typeLine(view, "stty -isig -echo; echo cat-is-r''eady; exec cat -v");
    ASSERT_TRUE(waitUntil([&] { return screenContains(view, "cat-is-ready"); }, 20000)) << screenText(view);

    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\x03"));
    view.send(std::string("A\r"));
    ASSERT_TRUE(waitUntil([&] { return screenContains(view, "A"); }, 20000));
    EXPECT_FALSE(screenContains(view, "^C")) << "Ctrl+Shift+C reached the shell";

    press(Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
    view.send(std::string("B\r"));
    EXPECT_TRUE(waitUntil([&] { return screenContains(view, "^CB"); }, 20000)) << screenText(view);
}

TEST_F(AppDelegateTest, SelectAllTakesTheScrollBackAndTheScreenOfTheActiveTerminal)
{
    DeviceWindowController& controller = openActiveWindow();
    corvel::LocalProcessTerminalView& view = *terminal(controller);
    // More lines than the screen holds: the command scrolls into the scroll-back.
    typeLine(view, "seq 1 300");
    ASSERT_TRUE(waitUntil([&] {
        const std::string screen = screenText(view);
        const std::size_t last = screen.find("299");
        return last != std::string::npos && screen.find("velmora$ ", last) != std::string::npos;
    })) << screenText(view);
    ASSERT_LT(view.getTerminal().rows, 300) << "the command should have left the screen";
    ASSERT_FALSE(view.selectionActive());

    press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(view.selectionActive());
    const std::string selected = view.getSelection().value_or(std::string());
    const std::size_t command = selected.find("velmora$ seq 1 300");
    const std::size_t middle = selected.find("150");
    const std::size_t end = selected.find("300", middle == std::string::npos ? 0 : middle);
    ASSERT_NE(command, std::string::npos) << selected;
    ASSERT_NE(middle, std::string::npos) << selected;
    ASSERT_NE(end, std::string::npos) << selected;
    EXPECT_LT(command, middle);
    EXPECT_LT(middle, end);
    EXPECT_NE(selected.find("velmora$ ", end), std::string::npos) << "the prompt on the screen";
}

TEST_F(AppDelegateTest, FindKeysSearchTheActiveSessionAndTheEditMenuAndKeysTabListThem)
{
    DeviceWindowController& controller = openActiveWindow();
    corvel::LocalProcessTerminalView& view = *terminal(controller);
    view.feed("\r\none needle\r\ntwo needle\r\n");
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

    press(Qt::Key_F, ctrlShift);
    ASSERT_NE(view.findBar(), nullptr);
    EXPECT_TRUE(view.findBar()->isVisible());
    QTest::keyClicks(view.findBar()->searchField(), QStringLiteral("needle"));
    EXPECT_EQ(view.getSelection(), std::optional<std::string>("needle"));
    press(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(view.findBar()->isVisible());
    ASSERT_TRUE(view.findNext("two"));
    press(Qt::Key_E, ctrlShift);
    EXPECT_TRUE(view.findBar()->isVisible());
    EXPECT_EQ(view.findBar()->searchField()->text(), QStringLiteral("two"));
    press(Qt::Key_Escape, Qt::NoModifier);
    press(Qt::Key_G, ctrlShift);
    EXPECT_EQ(view.getSelection(), std::optional<std::string>("two")) << "the term of the last search";

    const QList<KeyBinding> keys = KeysSettingsTab::bindingsFrom(m_delegate->mainMenu()->menu()->actions());
    for (const KeyBinding& binding :
         {KeyBinding{QStringLiteral("Find"), QStringLiteral("Ctrl+Shift+F")},
          KeyBinding{QStringLiteral("Find Next"), QStringLiteral("Ctrl+Shift+G")},
          KeyBinding{QStringLiteral("Use Selection for Find"), QStringLiteral("Ctrl+Shift+E")}})
        EXPECT_TRUE(keys.contains(binding)) << binding.action.toStdString();
    QStringList edit;
    for (const QAction* action : m_delegate->mainMenu()->submenu(QStringLiteral("Edit"))->actions())
        edit.append(action->isSeparator() ? QStringLiteral("---") : action->text());
    EXPECT_EQ(joined(edit), "Copy,Paste,Select All,---,Find\u2026,Find Next,Use Selection for Find");
}

TEST_F(AppDelegateTest, SessionAndFontKeysActOnTheActiveWindowOnly)
{
    DeviceWindowController& background = openActiveWindow(QStringLiteral("Beta"));
    DeviceWindowController& active = openActiveWindow(QStringLiteral("Alpha"));
    SessionManager& sessions = active.terminalPanel().manager();
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

    press(Qt::Key_T, ctrlShift);
    press(Qt::Key_T, ctrlShift);
    EXPECT_EQ(sessions.count(), 3);
    EXPECT_EQ(sessions.activeIndex(), 2);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sessions.activeIndex(), 0);
    press(Qt::Key_W, ctrlShift);
    EXPECT_EQ(sessions.count(), 2);
    press(Qt::Key_W, ctrlShift);
    press(Qt::Key_W, ctrlShift); // the last session stays
    EXPECT_EQ(sessions.count(), 1);
    EXPECT_EQ(background.terminalPanel().manager().count(), 1);

    const double size = SettingsStore::shared().data().fontSize;
    press(Qt::Key_Plus, ctrlShift | Qt::AltModifier);
    EXPECT_EQ(SettingsStore::shared().data().fontSize, size + 1);
    press(Qt::Key_Underscore, ctrlShift | Qt::AltModifier);
    press(Qt::Key_Minus, ctrlShift | Qt::AltModifier);
    EXPECT_EQ(SettingsStore::shared().data().fontSize, size - 1);
    EXPECT_TRUE(waitUntil([&] { return sessions.active()->fontSize() == size - 1; }));
}

TEST_F(AppDelegateTest, SettingsOpensTheSettingsWindowListingTheApplicationsKeys)
{
    openActiveWindow(QStringLiteral("Beta"));
    press(Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier);
    SettingsWindowController& settings = SettingsWindowController::shared();
    ASSERT_TRUE(waitUntil([&] { return settings.window()->isVisible(); }));
    EXPECT_EQ(settings.window()->windowTitle(), SettingsWindowController::title);
    const QList<KeyBinding> keys = settings.keysTab()->bindings();
    EXPECT_TRUE(keys.contains(KeyBinding{QStringLiteral("Quit Velmora"), QStringLiteral("Ctrl+Shift+Q")}));
    // Alt+Space is listed where this program holds it (it cannot offscreen).
    EXPECT_EQ(keys.contains(KeyBinding{QStringLiteral("Show or Hide Velmora"), QStringLiteral("Alt+Space")}),
              GlobalHotkey::shared().isRegistered());
    // The window takes the application's keys.
    EXPECT_TRUE(settings.window()->actions().contains(m_delegate->mainMenu()->action(QStringLiteral("quit"))));
    settings.window()->close();
}

// Asking again for a window the user minimised brings it back, whichever
// window asks.
TEST_F(AppDelegateTest, AskingForAMinimisedWindowRestoresAndShowsIt)
{
    openActiveWindow(QStringLiteral("Alpha"));
    AppDelegate& delegate = *m_delegate;
    struct Case {
        const char* action;
        std::function<QWidget*()> window;
    };
    const Case cases[] = {
        {"showSettings", [] { return SettingsWindowController::shared().window(); }},
        {"showAboutWindow", [] { return AboutWindowController::shared().window(); }},
        {"showSkinBuilder", [&delegate] { return delegate.appWindows().skinBuilder().window(); }},
        {"openCommandPalette",
         [&delegate]() -> QWidget* {
             CommandPaletteController* palette = delegate.appWindows().commandPalette();
             return palette ? palette->panel() : nullptr;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        QAction* action = delegate.mainMenu()->action(QString::fromLatin1(c.action));
        ASSERT_NE(action, nullptr);
        action->trigger();
        QWidget* window = c.window();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->isVisible());
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
        ASSERT_TRUE(window->isMinimized());

        action->trigger();
        EXPECT_EQ(c.window(), window);
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(window->isVisible());
        window->close();
    }
}

TEST_F(AppDelegateTest, WindowActionsDoNothingWhileAnotherWindowIsActive)
{
    DeviceWindowController& controller = openActiveWindow(QStringLiteral("Alpha"));
    QWidget other;
    other.setWindowTitle(QStringLiteral("Other"));
    other.show();
    other.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &other; }));
    AppDelegate& delegate = *m_delegate;
    EXPECT_EQ(delegate.windows().activeController(), nullptr);
    delegate.deviceWindows().cycleSkin();
    delegate.deviceWindows().newSession();
    delegate.deviceWindows().fontBigger();
    EXPECT_EQ(controller.skin().name, "Alpha");
    EXPECT_EQ(controller.terminalPanel().manager().count(), 1);
    // The tray's "New Tab" without an active device window asks for a skin.
    delegate.launch().step(QStringLiteral("showStatusItem"))->run();
    auto* tray = delegate.findChild<StatusItemController*>();
    ASSERT_NE(tray, nullptr);
    const QList<QAction*> entries = tray->menu()->actions();
    const auto newTab = std::find_if(
        entries.begin(), entries.end(), [](QAction* entry) { return entry->text() == QLatin1String("New Tab"); });
    ASSERT_NE(newTab, entries.end());
    (*newTab)->trigger();
    ASSERT_NE(delegate.appWindows().skinPicker(), nullptr);
    EXPECT_TRUE(delegate.appWindows().skinPicker()->window()->isVisible());
    EXPECT_EQ(delegate.windows().controllers().size(), 1u);
    delegate.appWindows().skinPicker()->close();
}

TEST_F(AppDelegateTest, TheCommandPaletteOpensOverTheActiveWindowAndActsOnIt)
{
    DeviceWindowController& controller = openActiveWindow(QStringLiteral("Alpha"));
    press(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    CommandPaletteController* palette = m_delegate->appWindows().commandPalette();
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(palette->panel()->isVisible());
    // Two sessions' entries once a second session exists; the anchored cycle
    // acts on this window even though the palette has the focus.
    const PaletteAnchor anchor = m_delegate->deviceWindows().paletteAnchor(&controller);
    EXPECT_EQ(anchor.window, controller.window());
    EXPECT_EQ(anchor.sessionCount, 1);
    anchor.newSession();
    EXPECT_EQ(controller.terminalPanel().manager().count(), 2);
    anchor.switchSession(0);
    EXPECT_EQ(controller.terminalPanel().manager().activeIndex(), 0);
    anchor.cycleSkin();
    EXPECT_EQ(controller.skin().name, "Beta");
    palette->close();
}

TEST_F(AppDelegateTest, TheSkinBuilderShowsItsWorkAndAsksOnlyBeforeAnEditReplacesIt)
{
    AppDelegate& delegate = makeDelegate();
    delegate.setupMenu();
    delegate.appWindows().showSkinBuilder();
    SkinBuilderWindowController& builder = delegate.appWindows().skinBuilder();
    EXPECT_TRUE(builder.window()->isVisible());
    const auto script = test::scriptDialogs(builder.model());
    QTemporaryDir folder;
    ASSERT_TRUE(builder.model().loadImage(
        test::savePicture(test::filledPicture(40, 60, Qt::red), folder.filePath(QStringLiteral("work.png")))));
    const QImage work = builder.model().skinImage();

    builder.window()->close();
    delegate.appWindows().showSkinBuilder();
    EXPECT_TRUE(builder.window()->isVisible());
    EXPECT_TRUE(script->questions.empty());
    EXPECT_EQ(&delegate.appWindows().skinBuilder(), &builder);

    // Editing a skin from elsewhere asks; "Cancel" keeps the work, shown.
    script->confirmAnswer = false;
    delegate.appWindows().openSkinBuilder(m_bundle.filePath(QStringLiteral("Skins/beta")));
    ASSERT_EQ(script->questions.size(), 1u);
    EXPECT_EQ(script->questions[0].acceptButton, "Discard & Edit");
    EXPECT_EQ(builder.model().skinImage(), work);
    delegate.appWindows().openSkinBuilderWithImage(folder.filePath(QStringLiteral("work.png")));
    ASSERT_EQ(script->questions.size(), 2u);
    EXPECT_EQ(script->questions[1].acceptButton, "Discard & Load");
    EXPECT_TRUE(builder.window()->isVisible());
    // The builder's window takes the application's keys.
    EXPECT_TRUE(builder.window()->actions().contains(delegate.mainMenu()->action(QStringLiteral("quit"))));
    builder.window()->close();
}

TEST_F(AppDelegateTest, TheContextMenuOffersTheApplicationsMenus)
{
    DeviceWindowController& controller = openActiveWindow();
    ASSERT_EQ(controller.applicationMenu(), m_delegate->mainMenu()->menu());
    QStringList titles;
    for (QAction* action : controller.applicationMenu()->actions())
        titles.append(action->text());
    EXPECT_EQ(joined(titles), joined(MainMenu::menuTitles));
    // The Window menu lists the open device windows, the active one checked.
    QMenu* windows = m_delegate->mainMenu()->submenu(QStringLiteral("Window"));
    emit windows->aboutToShow();
    const QList<QAction*> entries = windows->actions();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.back()->text(), "Alpha");
    EXPECT_TRUE(entries.back()->isChecked());
}

// ---- what later instances ask -------------------------------------------------------------

TEST_F(AppDelegateTest, AReopenShowsThePickerWithNoWindowElseBringsTheWindowsForward)
{
    AppDelegate& delegate = makeDelegate();
    delegate.setupMenu();
    delegate.windows().reopen();
    ASSERT_NE(delegate.appWindows().skinPicker(), nullptr);
    EXPECT_TRUE(delegate.appWindows().skinPicker()->window()->isVisible());
    EXPECT_TRUE(delegate.windows().controllers().empty());
    delegate.appWindows().skinPicker()->close();

    // With a window shown, it comes forward and no picker opens.
    DeviceWindowController& controller = openActiveWindow(QStringLiteral("Beta"));
    SkinPickerWindowController* before = delegate.appWindows().skinPicker();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &other; }));
    delegate.windows().reopen();
    EXPECT_EQ(delegate.appWindows().skinPicker(), before);
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == controller.window(); }));

    // Windows hidden by the hot key come back rather than a picker.
    other.hide();
    delegate.windows().toggleFrontmostWindow();
    ASSERT_FALSE(controller.window()->isVisible());
    delegate.windows().reopen();
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(delegate.appWindows().skinPicker(), before);
    EXPECT_EQ(delegate.windows().controllers().size(), 1u);
}

TEST_F(AppDelegateTest, APreviewFromALaterInstanceOpensOneWindowWithThatSkin)
{
    AppDelegate& delegate = makeDelegate();
    QTemporaryDir folders;
    const QString preview = folders.filePath(QStringLiteral("preview"));
    test::writeFile(preview + QStringLiteral("/skin.json"),
                    test::toBytes(test::minimalSkin(QStringLiteral("Preview"))));
    EXPECT_EQ(delegate.deviceWindows().openPreview(preview), QString());
    ASSERT_EQ(delegate.windows().controllers().size(), 1u);
    EXPECT_EQ(delegate.windows().controllers()[0]->skin().name, "Preview");
    EXPECT_EQ(delegate.deviceWindows().openPreview(folders.path()), "No skin could be read in " + folders.path() + ".");
    EXPECT_EQ(delegate.windows().controllers().size(), 1u);
}

TEST_F(AppDelegateTest, EachWindowsChangeSkinPickerIsItsOwnAndLeavesTheNewWindowPickerOpen)
{
    DeviceWindowController& alpha = openActiveWindow(QStringLiteral("Alpha"));
    DeviceWindowController& beta = openActiveWindow(QStringLiteral("Beta"));
    AppDelegate& delegate = *m_delegate;
    delegate.appWindows().showSkinPicker(); // "New Window...", over Beta
    SkinPickerWindowController* newWindow = delegate.appWindows().skinPicker();
    ASSERT_NE(newWindow, nullptr);

    // Alpha's "Change Skin..." while Beta is the active window.
    emit alpha.skinPickerRequested();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SkinPickerWindowController* alphas = delegate.appWindows().changeSkinPicker(&alpha);
    ASSERT_NE(alphas, nullptr);
    EXPECT_NE(alphas, newWindow);
    EXPECT_EQ(alphas->view()->currentSkinId(), std::optional(alpha.skin().id));
    EXPECT_EQ(delegate.appWindows().skinPicker(), newWindow);
    EXPECT_TRUE(newWindow->window()->isVisible());
    emit beta.skinPickerRequested();
    ASSERT_NE(delegate.appWindows().changeSkinPicker(&beta), nullptr);
    EXPECT_EQ(delegate.appWindows().changeSkinPicker(&beta)->view()->currentSkinId(), std::optional(beta.skin().id));
    EXPECT_TRUE(alphas->window()->isVisible());

    // A pick changes that window's skin only, and opens no window.
    const QList<SkinCard*> cards = alphas->view()->cards();
    const auto gamma
        = std::find_if(cards.begin(), cards.end(), [](SkinCard* card) { return card->skin().name == "Gamma"; });
    ASSERT_NE(gamma, cards.end());
    QTest::mouseClick(*gamma, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(alpha.skin().name, "Gamma");
    EXPECT_EQ(beta.skin().name, "Beta");
    EXPECT_EQ(delegate.windows().controllers().size(), 2u);
    EXPECT_TRUE(newWindow->window()->isVisible());

    // A window's picker goes with the window.
    const QPointer<QWidget> betasPicker = delegate.appWindows().changeSkinPicker(&beta)->window();
    beta.window()->close();
    EXPECT_EQ(delegate.appWindows().changeSkinPicker(&beta), nullptr);
    EXPECT_TRUE(waitUntil([&] { return betasPicker.isNull(); }));
    newWindow->close();
}

TEST_F(AppDelegateTest, AClosedWindowSaysNothingOnStandardErrorUnlessDebugging)
{
    for (const bool debugging : {false, true}) {
        SCOPED_TRACE(debugging ? "VELMORA_DEBUG set" : "VELMORA_DEBUG unset");
        std::optional<test::ScopedEnvironment> debug;
        if (debugging)
            debug.emplace("VELMORA_DEBUG", "1");
        else
            qunsetenv("VELMORA_DEBUG");
        DeviceWindowController& controller = openActiveWindow();
        const QPointer<DeviceWindowController> gone(&controller);
        testing::internal::CaptureStderr();
        controller.window()->close();
        EXPECT_TRUE(waitUntil([&] { return gone.isNull(); }));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("deinit") != std::string::npos, debugging) << said;
    }
}

} // namespace
} // namespace velmora
