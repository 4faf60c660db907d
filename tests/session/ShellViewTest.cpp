#include "session/ShellView.h"

#include "core/SettingsStore.h"
#include "session/GitStatus.h"
#include "support/EventLoopWait.h"
#include "support/LogCapture.h"
#include "support/ProgramHome.h"
#include "support/SettingsAnnouncements.h"
#include "support/ShellScreen.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace velmora {
namespace {

using test::ProgramHome;
using test::screenContains;
using test::typeLine;
using test::waitUntil;

class ShellViewTest : public ::testing::Test {
protected:
    void SetUp() override { ProgramHome::resetSettings(); }

    // A started session in a shown widget of 80 × 24 cells or so.
    std::unique_ptr<ShellView> startedSession(const std::optional<SkinManifest::TerminalPalette>& palette
                                              = std::nullopt,
                                              const std::optional<QString>& cwd = std::nullopt)
    {
        auto session = std::make_unique<ShellView>(SettingsStore::shared());
        session->resize(640, 400);
        session->startSession(std::nullopt, palette, cwd);
        session->show();
        return session;
    }
};

TEST_F(ShellViewTest, StartsTheShellAsALoginShellInTheRequestedDirectory)
{
    const QString folder = ProgramHome::instance().file(QStringLiteral("work dir"));
    QDir().mkpath(folder);
    auto session = startedSession(std::nullopt, folder);
    ASSERT_NE(session->terminal(), nullptr);
    EXPECT_EQ(session->currentDirectory(), folder);
    ASSERT_TRUE(waitUntil([&] { return screenContains(*session->terminal(), "velmora$ "); }))
        << test::screenText(*session->terminal());
    typeLine(*session->terminal(), "echo \"name=$0 dir=$(pwd)\"");
    const std::string expected = "name=-sh dir=" + folder.toStdString();
    EXPECT_TRUE(waitUntil([&] { return screenContains(*session->terminal(), expected); }))
        << test::screenText(*session->terminal());
}

TEST_F(ShellViewTest, ExitShowsTheBannerAndKeepsTheSession)
{
    test::LogCapture log;
    auto session = startedSession();
    ASSERT_TRUE(waitUntil([&] { return screenContains(*session->terminal(), "velmora$ "); }));
    typeLine(*session->terminal(), "exit 3");
    ASSERT_TRUE(waitUntil([&] { return screenContains(*session->terminal(), "[Process exited with code 3]"); }))
        << test::screenText(*session->terminal());
    EXPECT_TRUE(screenContains(*session->terminal(), "\n\n  [Process exited with code 3]"));
    EXPECT_EQ(log.count(QStringLiteral("[Velmora] Shell exited with code 3")), 1);
    EXPECT_NE(session->terminal(), nullptr);
    EXPECT_FALSE(session->terminal()->process().running());
}

TEST_F(ShellViewTest, SessionWithoutPaletteIsLightGreyOnNearBlack)
{
    auto session = startedSession();
    corvel::LocalProcessTerminalView& view = *session->terminal();
    EXPECT_EQ(view.nativeForegroundColor(), QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    EXPECT_EQ(view.nativeBackgroundColor(), QColor::fromRgbF(0.04f, 0.04f, 0.06f));
    EXPECT_EQ(view.caretColor(), QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    EXPECT_EQ(view.caretTextColor(), QColor::fromRgbF(0.04f, 0.04f, 0.06f));
}

TEST_F(ShellViewTest, PaletteColoursTheTerminal)
{
    SkinManifest::TerminalPalette palette;
    palette.foreground = QColor(0, 255, 64);
    palette.background = QColor(5, 5, 5);
    auto plain = startedSession(palette);
    EXPECT_EQ(plain->terminal()->nativeForegroundColor(), palette.foreground);
    EXPECT_EQ(plain->terminal()->nativeBackgroundColor(), palette.background);
    EXPECT_EQ(plain->terminal()->caretColor(), palette.foreground)
        << "no cursor colour: the caret takes the foreground";
    const std::vector<corvel::Color> defaults = plain->terminal()->getTerminal().ansiColors();

    palette.cursor = QColor(255, 128, 0);
    std::array<QColor, 16> ansi;
    for (int i = 0; i < 16; ++i)
        ansi[std::size_t(i)] = QColor(i * 16, 255 - i * 16, 7);
    palette.ansi = ansi;
    auto coloured = startedSession(palette);
    EXPECT_EQ(coloured->terminal()->caretColor(), QColor(255, 128, 0));
    const std::vector<corvel::Color>& installed = coloured->terminal()->getTerminal().ansiColors();
    ASSERT_GE(installed.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(installed[std::size_t(i)], ShellView::toCorvelColor(ansi[std::size_t(i)])) << i;
    EXPECT_NE(installed[1], defaults[1]);
}

TEST_F(ShellViewTest, ConvertsColoursToSixteenBitChannels)
{
    EXPECT_EQ(ShellView::toCorvelColor(QColor::fromRgbF(1.0f, 0.5f, 0.0f)), corvel::Color(65535, 32767, 0));
    EXPECT_EQ(ShellView::toCorvelColor(QColor(255, 255, 255)), corvel::Color(65535, 65535, 65535));
    EXPECT_EQ(ShellView::toCorvelColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), corvel::Color(65535, 0, 0));
}

TEST_F(ShellViewTest, StartDirectoryFallsBackToHome)
{
    const QString home = QDir::homePath();
    const QString file = ProgramHome::instance().file(QStringLiteral("plain-file"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString folder = ProgramHome::instance().path();
    struct Case {
        const char* name;
        std::optional<QString> cwd;
        QString expected;
    };
    const Case cases[] = {
        {"existing folder", folder, folder},
        {"none", std::nullopt, home},
        {"empty", QString(), home},
        {"missing", QStringLiteral("/no/such/folder"), home},
        {"a file", file, home},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellView::resolveStartDirectory(c.cwd), c.expected) << c.name;
}

TEST_F(ShellViewTest, DirectoryReportsAcceptOnlyThisMachine)
{
    struct Case {
        const char* report;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"file:///tmp/a%20b", QStringLiteral("/tmp/a b")},
        {"file://localhost/srv/x", QStringLiteral("/srv/x")},
        {"file://LOCALHOST/srv/y", QStringLiteral("/srv/y")},
        {"file://thisbox/home/me", QStringLiteral("/home/me")},
        {"file://otherhost/Users/x", std::nullopt},
        {"/plain/path", QStringLiteral("/plain/path")},
        {"file://", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellView::directoryFromReport(c.report, QStringLiteral("thisbox")), c.expected) << c.report;
}

TEST_F(ShellViewTest, ResolvesFontsWithFallbacks)
{
    const QFont dejavu = ShellView::resolveFont(QStringLiteral("DejaVu Sans Mono"), 13);
    EXPECT_EQ(dejavu.family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(dejavu.pixelSize(), 13);

    const QFont missing = ShellView::resolveFont(QStringLiteral("No Such Font Anywhere"), 10);
    EXPECT_EQ(missing.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(missing.pixelSize(), 10);

    if (QFontDatabase::families().contains(QStringLiteral("JetBrains Mono"))) {
        EXPECT_EQ(ShellView::resolveFont(QStringLiteral("JetBrainsMono NF"), 9).family(),
                  QStringLiteral("JetBrains Mono"));
    }
}

TEST_F(ShellViewTest, FontSizeStopsAtItsLimitsWithoutSaving)
{
    for (const auto& [start, delta] : {std::pair{24.0, 1.0}, std::pair{6.0, -1.0}}) {
        SettingsStore::shared().data().fontSize = start;
        auto session = startedSession();
        velmora::test::SettingsAnnouncements posted(SettingsStore::shared());
        session->changeFontSize(delta);
        EXPECT_EQ(session->fontSize(), start);
        EXPECT_EQ(posted.count(), 0) << "limit " << start;
        EXPECT_EQ(session->terminal()->terminalFont().pixelSize(), int(start));
    }
}

TEST_F(ShellViewTest, FontSizeChangeReachesEverySession)
{
    auto first = startedSession();
    auto second = startedSession();
    velmora::test::SettingsAnnouncements posted(SettingsStore::shared());
    first->changeFontSize(1);
    EXPECT_EQ(first->fontSize(), 13);
    EXPECT_EQ(second->fontSize(), 13);
    EXPECT_EQ(second->terminal()->terminalFont().pixelSize(), 13);
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 13);
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).signal, "fontChanged");
    const auto saved = SettingsData::decode(test::readFile(SettingsStore::shared().settingsPath()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fontSize, 13);

    // A size far beyond the limit is clamped and stored clamped.
    second->changeFontSize(100);
    EXPECT_EQ(first->fontSize(), 24);
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 24);
}

// git in a fresh repository with one commit on the branch "trunk".
QString makeRepository(const QString& folder)
{
    QDir().mkpath(folder);
    const auto git = [&](const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral("git"),
                      QStringList{QStringLiteral("-c"),
                                  QStringLiteral("user.name=t"),
                                  QStringLiteral("-c"),
                                  QStringLiteral("user.email=t@t")}
                          + arguments);
        process.waitForFinished();
        return process.exitCode() == 0;
    };
    if (!git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("trunk")}))
        return {};
    QFile tracked(QDir(folder).filePath(QStringLiteral("tracked.txt")));
    tracked.open(QIODevice::WriteOnly);
    tracked.write("one\n");
    tracked.close();
    git({QStringLiteral("add"), QStringLiteral(".")});
    if (!git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("first")}))
        return {};
    return folder;
}

TEST_F(ShellViewTest, DirectoryReportLooksUpGitStateOnceInFiveSeconds)
{
    if (QStandardPaths::findExecutable(QStringLiteral("git")).isEmpty())
        GTEST_SKIP() << "git is not installed";
    const QString repository = makeRepository(
        ProgramHome::instance().file(QStringLiteral("repo-") + QString::number(QDateTime::currentMSecsSinceEpoch())));
    ASSERT_FALSE(repository.isEmpty());
    auto session = startedSession();
    QSignalSpy changed(session.get(), &ShellView::shellStateDidChange);

    session->hostCurrentDirectoryUpdate(*session->terminal(), "file://localhost" + repository.toStdString());
    EXPECT_EQ(session->currentDirectory(), QDir::homePath()) << "the report is applied after the callback returns";
    ASSERT_TRUE(waitUntil([&] { return session->gitBranch() == QStringLiteral("trunk"); }));
    EXPECT_EQ(session->currentDirectory(), repository);
    EXPECT_FALSE(session->gitDirty());
    EXPECT_GE(changed.count(), 2) << "once for the directory, once for the git state";

    // A change made now is not seen while the cached answer is fresh.
    QFile untracked(QDir(repository).filePath(QStringLiteral("new.txt")));
    untracked.open(QIODevice::WriteOnly);
    untracked.close();
    changed.clear();
    session->hostCurrentDirectoryUpdate(*session->terminal(), "file://" + repository.toStdString());
    ASSERT_TRUE(waitUntil([&] { return changed.count() >= 2; }));
    EXPECT_FALSE(session->gitDirty()) << "a second report within 5 seconds uses the cache";

    // Another machine's directory is ignored.
    changed.clear();
    session->hostCurrentDirectoryUpdate(*session->terminal(), std::string("file://elsewhere.example/tmp"));
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(session->currentDirectory(), repository);
}

// A git of the test's own, first on PATH while it lives: a shell script
// (the text after "#!/bin/sh"), in which %1 stands for log().
class FakeGit {
public:
    explicit FakeGit(const QString& script) : m_path(qgetenv("PATH"))
    {
        QFile fake(m_bin.filePath(QStringLiteral("git")));
        fake.open(QIODevice::WriteOnly);
        fake.write((QStringLiteral("#!/bin/sh\n") + script.arg(log())).toUtf8());
        fake.close();
        fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("PATH", m_bin.path().toUtf8() + ':' + m_path);
    }
    ~FakeGit() { qputenv("PATH", m_path); }
    QString log() const { return m_bin.filePath(QStringLiteral("log")); }

private:
    QTemporaryDir m_bin;
    QByteArray m_path;
};

// A burst of directory reports (a program printing OSC 7 in a loop) runs git
// for one directory at a time, and last for the latest directory; the
// burst costs a few runs, not one per report.
TEST_F(ShellViewTest, DirectoryReportsRunOneGitQueryAtATimeForTheLatestDirectory)
{
    // Arguments: -c core.fsmonitor=false -C DIR rev-parse|status ...
    std::optional<FakeGit> git(std::in_place,
                               QStringLiteral("echo \"begin $4 $5\" >> '%1'\nsleep 0.2\necho \"end $4 $5\" >> '%1'\n"
                                              "[ \"$5\" = rev-parse ] && echo trunk\nexit 0\n"));
    const QString log = git->log();
    auto session = startedSession();
    const QString stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
    const QString last = QStringLiteral("/burst-%1/d499").arg(stamp);
    for (int i = 0; i < 500; ++i) {
        const QString directory = QStringLiteral("/burst-%1/d%2").arg(stamp).arg(i);
        session->hostCurrentDirectoryUpdate(*session->terminal(), "file://" + directory.toStdString());
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    ASSERT_TRUE(waitUntil([&] {
        const QList<QByteArray> lines = test::readFile(log).split('\n');
        return lines.size() >= 2 && lines[lines.size() - 2] == "end " + last.toUtf8() + " status";
    }));
    QTest::qWait(500);
    const QByteArray written = test::readFile(log);
    git.reset();

    const QList<QByteArray> lines = written.trimmed().split('\n');
    EXPECT_LE(lines.size(), 16) << "git ran for every report";
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(i % 2 ? "end " : "begin ")) << "two runs at once: " << lines[i].constData();
    EXPECT_EQ(session->currentDirectory(), last);
    EXPECT_EQ(session->gitBranch(), QStringLiteral("trunk"));
}

TEST(GitStatusCacheTest, KeepsABoundedNumberOfDirectories)
{
    GitStatusCache cache;
    const QDateTime then = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 3 * GitStatusCache::maxEntries; ++i)
        cache.store(QStringLiteral("/d%1").arg(i), GitStatus{QStringLiteral("main"), false}, then.addMSecs(i * 10));
    EXPECT_LE(cache.size(), GitStatusCache::maxEntries);
    const QString newest = QStringLiteral("/d%1").arg(3 * GitStatusCache::maxEntries - 1);
    EXPECT_TRUE(cache.lookup(newest, then.addSecs(31)).has_value()) << "the newest answer stays";
}

TEST(GitQueryTest, AsksForStatusOnlyInsideARepository)
{
    std::vector<QStringList> calls;
    const auto outside = GitQuery::query(QStringLiteral("/x"), [&](const QString&, const QStringList& arguments) {
        calls.push_back(arguments);
        return QString();
    });
    EXPECT_EQ(outside, GitStatus{});
    EXPECT_EQ(calls.size(), 1u);

    calls.clear();
    const auto inside = GitQuery::query(
        QStringLiteral("/y"), [&](const QString& directory, const QStringList& arguments) {
            EXPECT_EQ(directory, QStringLiteral("/y"));
            calls.push_back(arguments);
            return arguments.first() == QLatin1String("status") ? QStringLiteral("?? new.txt") : QStringLiteral("main");
        });
    EXPECT_EQ(inside, (GitStatus{QStringLiteral("main"), true}));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0],
              (QStringList{QStringLiteral("rev-parse"), QStringLiteral("--abbrev-ref"), QStringLiteral("HEAD")}));
    EXPECT_EQ(calls[1], (QStringList{QStringLiteral("status"), QStringLiteral("--porcelain")}));
}

TEST(GitQueryTest, RunsGitWithoutOptionalLocksOrMonitor)
{
    std::optional<FakeGit> git(
        std::in_place, QStringLiteral("echo \"$GIT_OPTIONAL_LOCKS $*\" >> '%1'\necho '  feature  '\necho oops >&2\n"));
    const QString output = GitQuery::runGit(QStringLiteral("/some dir"), {QStringLiteral("status")});
    const QByteArray written = test::readFile(git->log());
    git.reset();
    EXPECT_EQ(output, QStringLiteral("feature"));
    EXPECT_EQ(written, QByteArray("0 -c core.fsmonitor=false -C /some dir status\n"));
}

TEST(GitStatusCacheTest, AnswersAreFreshForFiveSeconds)
{
    GitStatusCache cache;
    const QDateTime then = QDateTime::currentDateTimeUtc();
    cache.store(QStringLiteral("/r"), GitStatus{QStringLiteral("main"), true}, then);
    EXPECT_EQ(cache.lookup(QStringLiteral("/r"), then.addMSecs(4999)), (GitStatus{QStringLiteral("main"), true}));
    EXPECT_FALSE(cache.lookup(QStringLiteral("/r"), then.addSecs(5)));
    EXPECT_FALSE(cache.lookup(QStringLiteral("/other"), then));
    cache.store(QStringLiteral("/r"), GitStatus{}, then.addSecs(6));
    EXPECT_EQ(cache.lookup(QStringLiteral("/r"), then.addSecs(7)), GitStatus{});
}

} // namespace
} // namespace velmora
