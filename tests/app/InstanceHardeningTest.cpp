// The running instance's socket under hostile or unlucky conditions, made at
// test time: a full listening queue, a burst of later instances, idle
// clients, running out of descriptors, and another user's socket or client.
// The running instance is in this thread; later instances in threads of
// their own, since handing over blocks until the running one answers.

#include "app/VelmoraServiceProvider.h"

#include "support/ScopedEnvironment.h"

#include "InstanceFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora {
namespace {

using HandOff = VelmoraServiceProvider::HandOff;

// A raw client of the socket, connected without waiting; -1 when the
// connection was refused or the listening queue is full.
int connectRaw(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un name = {};
    name.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(name.sun_path, bytes.constData(), std::size_t(bytes.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&name), sizeof name) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

ino_t inode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

class InstanceHardeningTest : public test::InstanceFixture {
protected:
    std::pair<HandOff, QString> openTab(int timeoutMs = 20000)
    {
        QString error;
        const HandOff outcome
            = VelmoraServiceProvider::handOff({FolderRequest::Action::OpenTab, folder()}, &error, socket(), timeoutMs);
        return {outcome, error};
    }
};

TEST_F(InstanceHardeningTest, ABusyInstancesSocketIsNeverTakenOver)
{
    VelmoraServiceProvider running;
    ASSERT_TRUE(running.listen(socket()));
    const ino_t before = inode(socket());
    // The running instance is busy: connections pile up unanswered.
    std::vector<int> waiting;
    for (int i = 0; i < 300; ++i) {
        const int fd = connectRaw(socket());
        if (fd < 0)
            break;
        waiting.push_back(fd);
    }
    VelmoraServiceProvider later;
    EXPECT_FALSE(later.listen(socket())) << "a later instance took the socket of a live one";
    EXPECT_FALSE(later.isListening());
    EXPECT_EQ(inode(socket()), before) << "the live socket was replaced";
    for (int fd : waiting)
        ::close(fd);

    // The running one still answers.
    QSignalSpy tabs(&running, &VelmoraServiceProvider::openTabRequested);
    EXPECT_EQ(whileServing([&] { return openTab(); }), std::make_pair(HandOff::Delivered, QString()));
    EXPECT_EQ(tabs.size(), 1);
}

TEST_F(InstanceHardeningTest, ABurstOfLaterInstancesIsAnsweredAndNoneTakesThePlace)
{
    VelmoraServiceProvider running;
    ASSERT_TRUE(running.listen(socket()));
    QSignalSpy tabs(&running, &VelmoraServiceProvider::openTabRequested);
    constexpr int later = 200;
    std::atomic<int> ready = 0;
    std::vector<std::pair<HandOff, QString>> outcomes(later);
    const auto burst = [&] {
        std::vector<std::thread> threads;
        for (int i = 0; i < later; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (ready < later)
                    std::this_thread::yield();
                outcomes[std::size_t(i)] = openTab();
            });
        for (std::thread& thread : threads)
            thread.join();
        return 0;
    };
    whileServing(burst);

    int delivered = 0;
    for (const auto& [outcome, error] : outcomes) {
        // None found nobody there (it would have started a second instance),
        // and a failure says why.
        EXPECT_NE(outcome, HandOff::NoInstance);
        if (outcome == HandOff::Delivered)
            ++delivered;
        else
            EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(delivered, later);
    EXPECT_EQ(tabs.size(), delivered) << "tabs opened for requests reported as failed, or the other way round";
    EXPECT_TRUE(QFileInfo::exists(socket()));
    EXPECT_TRUE(running.isListening());
}

TEST_F(InstanceHardeningTest, IdleClientsAreDroppedAndHoldNoMoreThanAFewDescriptors)
{
    VelmoraServiceProvider running;
    ASSERT_TRUE(running.listen(socket()));
    const int descriptors = openDescriptors();
    constexpr int idle = 100;
    std::vector<int> clients;
    for (int i = 0; i < idle; ++i) {
        const int fd = connectRaw(socket());
        ASSERT_GE(fd, 0) << i;
        clients.push_back(fd);
    }
    QTest::qWait(300);
    // The running instance serves a bounded number at once; the rest wait in
    // the listening queue without a descriptor of its own.
    EXPECT_LE(openDescriptors() - descriptors, idle + 40);

    // Each idle client is hung up on in time.
    const auto hungUp = [&] {
        for (int fd : clients) {
            char byte;
            if (::recv(fd, &byte, 1, MSG_DONTWAIT) != 0)
                return false;
        }
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    while (!hungUp() && clock.elapsed() < 60000)
        QTest::qWait(50);
    EXPECT_TRUE(hungUp()) << "idle clients are kept";
    for (int fd : clients)
        ::close(fd);
    EXPECT_EQ(whileServing([&] { return openTab(); }), std::make_pair(HandOff::Delivered, QString()));
}

TEST_F(InstanceHardeningTest, RunningOutOfDescriptorsDoesNotStopTheListenerForGood)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' own checks open descriptors (a pipe to probe memory)
    // and report every virtual call as wrong once none are left.
    GTEST_SKIP() << "the sanitizers need descriptors of their own";
#endif
    VelmoraServiceProvider running;
    ASSERT_TRUE(running.listen(socket()));
    QSignalSpy tabs(&running, &VelmoraServiceProvider::openTabRequested);
    // Requests already queued when the descriptors run out.
    const QByteArray request = "{\"action\":\"open-tab\",\"folder\":\"" + folder().toUtf8() + "\"}\n";
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        const int fd = connectRaw(socket());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL), request.size());
        queued.push_back(fd);
    }
    rlimit limit = {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    std::vector<int> filler;
    {
        limit.rlim_cur = rlim_t(openDescriptors() + 16);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
        for (;;) {
            const int fd = ::dup(0);
            if (fd < 0)
                break;
            filler.push_back(fd);
        }
        QTest::qWait(500); // the instance tries to accept, and cannot
        for (int fd : filler)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved);
    }
    EXPECT_TRUE(QFileInfo::exists(socket())) << "the socket file went with the failed accept";
    // The queued requests are answered once descriptors are free again.
    for (int fd : queued) {
        ::fcntl(fd, F_SETFL, 0);
        timeval wait = {20, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const QByteArray answer = whileServing([fd] {
            char buffer[256] = {};
            const ssize_t count = ::recv(fd, buffer, sizeof buffer - 1, 0);
            return QByteArray(buffer, count > 0 ? int(count) : 0);
        });
        EXPECT_EQ(answer, "{\"error\":\"\"}\n");
        ::close(fd);
    }
    EXPECT_EQ(whileServing([&] { return openTab(); }), std::make_pair(HandOff::Delivered, QString()));
    EXPECT_EQ(tabs.size(), 4);
}

TEST_F(InstanceHardeningTest, TheFallbackSocketLivesInAFolderOnlyTheUserCanEnter)
{
    const test::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", "");
    const test::ScopedEnvironment temporary("TMPDIR", m_root.path().toUtf8());
    const QString own = m_root.filePath(QStringLiteral("velmora-%1").arg(::geteuid()));

    // Made when missing, closed to others when it was left open.
    for (const bool leftOpen : {false, true}) {
        if (leftOpen) {
            ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0777), 0);
        }
        const QString path = VelmoraServiceProvider::defaultSocketPath();
        EXPECT_EQ(QFileInfo(path).absolutePath(), own) << path.toStdString();
        struct stat info = {};
        ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }

    // Another user's folder of that name, or a link, is not used.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
        EXPECT_EQ(VelmoraServiceProvider::defaultSocketPath(), QString());
    } else {
        GTEST_LOG_(INFO) << "not root: another user's folder is not tried";
    }
    ASSERT_TRUE(QDir(own).removeRecursively());
    ASSERT_TRUE(QFile::link(folder(), own));
    EXPECT_EQ(VelmoraServiceProvider::defaultSocketPath(), QString());
}

// What a process of another user (nobody) sees; only root can make one.
class AnotherUser : public InstanceHardeningTest {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "only root can run a process as another user";
        InstanceHardeningTest::SetUp();
        ASSERT_EQ(::chmod(QFile::encodeName(m_root.path()).constData(), 0777), 0);
    }

    // Runs the work as nobody in a child process; its exit code.
    int asNobody(const std::function<int()>& work)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
            ::_exit(work());
        }
        int status = 0;
        QElapsedTimer clock;
        clock.start();
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (clock.elapsed() > 20000)
                ::kill(child, SIGKILL);
            QTest::qWait(10);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
    }
};

TEST_F(AnotherUser, IsHungUpOnByTheRunningInstance)
{
    VelmoraServiceProvider running;
    ASSERT_TRUE(running.listen(socket()));
    // However the socket came to be open to others.
    ASSERT_EQ(::chmod(QFile::encodeName(socket()).constData(), 0777), 0);
    QSignalSpy tabs(&running, &VelmoraServiceProvider::openTabRequested);
    const QByteArray request = "{\"action\":\"open-tab\",\"folder\":\"" + folder().toUtf8() + "\"}\n";
    const QString path = socket();
    const int answered = asNobody([&] {
        const int fd = connectRaw(path);
        if (fd < 0)
            return 2;
        ::fcntl(fd, F_SETFL, 0);
        if (::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL) != request.size())
            return 0;
        char byte;
        return ::recv(fd, &byte, 1, 0) > 0 ? 1 : 0;
    });
    EXPECT_EQ(answered, 0) << "another user's request was answered";
    EXPECT_EQ(tabs.size(), 0);
}

TEST_F(AnotherUser, IsNotToldWhereToOpen)
{
    // Another user's listener where Velmora's socket would be: it would read
    // the folder and answer in Velmora's name.
    const QString path = socket();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un name = {};
        name.sun_family = AF_UNIX;
        const QByteArray bytes = QFile::encodeName(path);
        std::memcpy(name.sun_path, bytes.constData(), std::size_t(bytes.size()));
        if (::bind(listener, reinterpret_cast<const sockaddr*>(&name), sizeof name) != 0 || ::listen(listener, 8) != 0)
            ::_exit(102);
        ::chmod(bytes.constData(), 0777);
        [[maybe_unused]] const ssize_t signalled = ::write(ready[1], "r", 1);
        const int client = ::accept(listener, nullptr, nullptr);
        char buffer[512];
        const ssize_t heard = ::recv(client, buffer, sizeof buffer, 0);
        const char answer[] = "{\"error\":\"\"}\n";
        [[maybe_unused]] const ssize_t sent = ::send(client, answer, sizeof answer - 1, MSG_NOSIGNAL);
        ::_exit(heard > 0 ? 1 : 0);
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);

    const auto [outcome, error] = openTab(5000);
    EXPECT_EQ(outcome, HandOff::Failed);
    EXPECT_FALSE(error.isEmpty());
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the folder was sent to another user";
}

} // namespace
} // namespace velmora
