// Arms the crash reporter and then fails in the way its argument names, so
// that the tests can look at the report it leaves and at how it died. Prints
// "armed" once the handlers are installed. Reads its folders from HOME and
// XDG_DATA_HOME like the application.

#include "core/AppPaths.h"
#include "diagnostics/CrashReporter.h"

#include <QByteArray>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void segmentationFault()
{
    // A page that may not be touched: a fault the compiler cannot see through.
    auto* page = static_cast<volatile char*>(::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    page[0] = 1;
    std::abort();
}

[[noreturn]] void busError()
{
    // Reading a mapped page of a file that has since been cut to nothing.
    char name[] = "/tmp/velmora-crash-helper-XXXXXX";
    const int fd = ::mkstemp(name);
    ::unlink(name);
    if (fd < 0 || ::ftruncate(fd, 4096) != 0)
        std::abort();
    auto* page = static_cast<volatile char*>(::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0));
    if (::ftruncate(fd, 0) != 0)
        std::abort();
    std::printf("%d\n", page[0]);
    std::abort();
}

int recurse(int depth)
{
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}

struct NotAStandardException {};

// Pipes where the signal report of this process will go, for the next few
// seconds' names, and then a fault.
[[noreturn]] void faultOverPipes()
{
    const QByteArray folder = QFile::encodeName(velmora::AppPaths::crashesPendingDir());
    const long now = static_cast<long>(::time(nullptr));
    for (long t = now; t < now + 10; ++t) {
        const QByteArray name
            = folder + "/sig-" + QByteArray::number(qint64(t)) + "-" + QByteArray::number(qint64(::getpid())) + ".json";
        ::mkfifo(name.constData(), 0600);
    }
    segmentationFault();
}

[[noreturn]] void secondSignal()
{
    // The first signal is handled as a plain call with SIGTRAP blocked, so its
    // re-raise stays pending; a real second signal must then find the
    // reporter busy and return without writing.
    sigset_t trap;
    sigemptyset(&trap);
    sigaddset(&trap, SIGTRAP);
    ::sigprocmask(SIG_BLOCK, &trap, nullptr);
    velmora::CrashReporter::handleSignalSafe(SIGTRAP);
    ::raise(SIGSEGV);
    std::puts("survived");
    std::fflush(stdout);
    ::sigprocmask(SIG_UNBLOCK, &trap, nullptr);
    std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-crash-helper MODE\n");
        return 2;
    }
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);

    velmora::CrashReporter::installHandlers();
    std::puts("armed");
    std::fflush(stdout);

    const char* mode = argv[1];
    if (!std::strcmp(mode, "segv"))
        segmentationFault();
    if (!std::strcmp(mode, "bus"))
        busError();
    if (!std::strcmp(mode, "abort"))
        std::abort();
    if (!std::strcmp(mode, "overflow"))
        return recurse(0);
    if (!std::strcmp(mode, "exception"))
        throw std::runtime_error("boom \"quoted\"");
    if (!std::strcmp(mode, "exception-other"))
        throw NotAStandardException{};
    if (!std::strcmp(mode, "second"))
        secondSignal();
    if (!std::strcmp(mode, "segv-over-pipes"))
        faultOverPipes();
    for (const int signalNumber : {SIGILL, SIGFPE, SIGTRAP}) {
        if (!std::strcmp(mode, velmora::CrashReporter::reasonName(signalNumber))) {
            ::raise(signalNumber);
            return 3;
        }
    }
    std::fprintf(stderr, "velmora-crash-helper: unknown mode %s\n", mode);
    return 2;
}
