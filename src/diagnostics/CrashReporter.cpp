#include "diagnostics/CrashReporter.h"

#include "core/AppPaths.h"
#include "core/DeviceIdentifier.h"
#include "core/WebService.h"
#include "diagnostics/CrashUploader.h"
#include "diagnostics/SignalSafeWriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSysInfo>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <typeinfo>

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION ""
#endif

namespace velmora::CrashReporter {
namespace {

constexpr int trappedSignals[] = {SIGABRT, SIGSEGV, SIGILL, SIGBUS, SIGFPE, SIGTRAP};
constexpr int maxFrames = 128;
constexpr std::size_t pathBufferSize = 1024;
// Behind the folder and "/sig-": up to 19 digits of time, "-", 10 digits of
// process id, ".json" and the terminator.
constexpr std::size_t pathTailSize = 19 + 1 + 10 + 5 + 1;
constexpr std::size_t alternateStackSize = 64 * 1024;

// Everything the signal handler reads, written by installHandlers() before any
// handler is armed and never freed.
static_assert(std::atomic<int>::is_always_lock_free, "the re-entry flag must be usable in a signal handler");
std::atomic<int> gHandling{0};
const char* gHead = nullptr;
std::size_t gHeadLen = 0;
char gPath[pathBufferSize];
std::size_t gPathPrefixLen = 0;
bool gPathReady = false;
void* gFrames[maxFrames];
std::terminate_handler gPreviousTerminate = nullptr;

// "<folder>/sig-<seconds>-<pid>.json" in gPath.
void completeReportPath(std::int64_t seconds, pid_t pid)
{
    std::size_t position = SignalSafeWriter::appendDec(gPath, gPathPrefixLen, seconds);
    gPath[position++] = '-';
    position = SignalSafeWriter::appendDec(gPath, position, pid);
    std::memcpy(gPath + position, ".json", 6);
}

void writeSignalReport(int signalNumber)
{
    using namespace SignalSafeWriter;
    std::int64_t seconds = static_cast<std::int64_t>(::time(nullptr));
    if (seconds < 0)
        seconds = 0;
    completeReportPath(seconds, ::getpid());

    // Non-blocking and never through a link, and only into a regular file: a
    // pipe under the report's name must not hold a dying process.
    const int fd = ::open(gPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return;
    }
    writeRaw(fd, gHead, gHeadLen);
    writeDec(fd, seconds);
    writeLit(fd, ",\"reason\":\"");
    writeLit(fd, reasonName(signalNumber));
    writeLit(fd, "\",\"stack\":[");
    const int frames = ::backtrace(gFrames, maxFrames);
    for (int i = 0; i < frames; ++i) {
        writeLit(fd, i == 0 ? "\"" : ",\"");
        writeHex(fd, reinterpret_cast<std::uintptr_t>(gFrames[i]));
        writeLit(fd, "\"");
    }
    writeLit(fd, "]}");
    ::close(fd);
}

extern "C" void handleSignal(int signalNumber) { handleSignalSafe(signalNumber); }

[[noreturn]] void handleTerminate()
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) {
        if (const std::exception_ptr exception = std::current_exception()) {
            try {
                writeException(exception);
            } catch (...) {
                // The report is lost; the process ends as it would have.
            }
        }
    }
    if (gPreviousTerminate)
        gPreviousTerminate();
    std::abort();
}

QString demangled(const char* name)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                         &std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : name);
}

QJsonArray currentStackSymbols()
{
    void* frames[maxFrames];
    const int count = ::backtrace(frames, maxFrames);
    QJsonArray stack;
    std::unique_ptr<char*, decltype(&std::free)> symbols(::backtrace_symbols(frames, count), &std::free);
    for (int i = 0; i < count; ++i)
        stack.append(symbols ? QString::fromLocal8Bit(symbols.get()[i])
                             : QStringLiteral("0x") + QString::number(reinterpret_cast<quintptr>(frames[i]), 16));
    return stack;
}

void prepareReportPath(const QString& folder)
{
    const QByteArray prefix = QFile::encodeName(folder) + "/sig-";
    if (static_cast<std::size_t>(prefix.size()) + pathTailSize > pathBufferSize)
        return; // a name would not fit: no signal report rather than a cut-off path
    std::memcpy(gPath, prefix.constData(), static_cast<std::size_t>(prefix.size()));
    gPathPrefixLen = static_cast<std::size_t>(prefix.size());
    gPathReady = true;
}

// The main thread's handler runs on a stack of its own, so that a stack
// overflow can still be reported. Another library's alternate stack is kept.
void installAlternateStack()
{
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return;
    stack_t stack{};
    stack.ss_size = alternateStackSize;
    stack.ss_sp = new char[alternateStackSize];
    stack.ss_flags = 0;
    ::sigaltstack(&stack, nullptr);
}

} // namespace

const char* reasonName(int signalNumber)
{
    switch (signalNumber) {
    case SIGILL: return "SIGILL";
    case SIGTRAP: return "SIGTRAP";
    case SIGABRT: return "SIGABRT";
    case SIGFPE: return "SIGFPE";
    case SIGBUS: return "SIGBUS";
    case SIGSEGV: return "SIGSEGV";
    default: return "SIGNAL";
    }
}

QString esc(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\t': escaped += QStringLiteral("\\t"); break;
        case u'\n': escaped += QStringLiteral("\\n"); break;
        case u'\r': escaped += QStringLiteral("\\r"); break;
        case u'"': escaped += QStringLiteral("\\\""); break;
        case u'\\': escaped += QStringLiteral("\\\\"); break;
        default:
            if (c.unicode() < 0x20)
                escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    return escaped;
}

QByteArray renderHead(const QString& version, const QString& os, const QString& arch, const QString& machineId)
{
    const QString head
        = QStringLiteral("{\"version\":\"%1\",\"os\":\"%2\",\"arch\":\"%3\",\"machineId\":\"%4\",\"ts\":")
              .arg(esc(version), esc(os), esc(arch), esc(machineId));
    return head.toUtf8();
}

QString reportVersion()
{
    const QString version = QString::fromUtf8(VELMORA_VERSION).trimmed();
    return version.isEmpty() ? QStringLiteral("0.1") : version;
}

QString reportOs()
{
    return QStringLiteral("%1; kernel %2").arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion());
}

QString reportArch() { return QSysInfo::buildCpuArchitecture(); }

QString exceptionReason(std::exception_ptr exception)
{
    QString type = QStringLiteral("unknown");
    QString what;
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        type = demangled(typeid(error).name());
        what = QString::fromUtf8(error.what());
    } catch (...) {
        if (const std::type_info* info = abi::__cxa_current_exception_type())
            type = demangled(info->name());
    }
    return QStringLiteral("C++ exception: ") + type + QStringLiteral(": ") + what;
}

void writeException(std::exception_ptr exception)
{
    if (!exception)
        return;
    const qint64 seconds = QDateTime::currentSecsSinceEpoch();
    const QJsonObject record{
        {QStringLiteral("version"), reportVersion()},
        {QStringLiteral("os"), reportOs()},
        {QStringLiteral("arch"), reportArch()},
        {QStringLiteral("machineId"), DeviceIdentifier::current()},
        {QStringLiteral("reason"), exceptionReason(exception)},
        {QStringLiteral("stack"), currentStackSymbols()},
        {QStringLiteral("ts"), seconds},
    };
    const QString folder = AppPaths::crashesPendingDir();
    QDir().mkpath(folder);
    QSaveFile file(folder + QStringLiteral("/exc-") + QString::number(seconds) + QStringLiteral(".json"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(record).toJson(QJsonDocument::Compact));
    file.commit();
}

void handleSignalSafe(int signalNumber)
{
    if (gHandling.exchange(1) != 0)
        return;
    if (gHead && gPathReady)
        writeSignalReport(signalNumber);
    // Die by the same signal, whether it came from a fault or was sent.
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

void installHandlers()
{
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;

    const QString folder = AppPaths::crashesPendingDir();
    QDir().mkpath(folder);

    const QByteArray head = renderHead(reportVersion(), reportOs(), reportArch(), DeviceIdentifier::current());
    char* headCopy = new char[static_cast<std::size_t>(head.size())];
    std::memcpy(headCopy, head.constData(), static_cast<std::size_t>(head.size()));
    gHead = headCopy;
    gHeadLen = static_cast<std::size_t>(head.size());
    prepareReportPath(folder);

    // The first backtrace() loads the unwinder, which must not happen inside a
    // signal handler.
    void* prime[4];
    ::backtrace(prime, 4);
    installAlternateStack();

    gPreviousTerminate = std::set_terminate(handleTerminate);

    struct sigaction action {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (const int signalNumber : trappedSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

QUrl endpoint() { return WebService::url(QStringLiteral("/api/crash")); }

void flushPending()
{
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("crash-upload"));
    auto* uploader = new CrashUploader({AppPaths::crashesPendingDir(), endpoint()});
    uploader->moveToThread(thread);
    QObject::connect(thread, &QThread::started, uploader, &CrashUploader::start);
    QObject::connect(uploader, &CrashUploader::finished, thread, &QThread::quit);
    QObject::connect(thread, &QThread::finished, uploader, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // At quit, abandon the request in flight (its report stays as it is
        // for the next launch) and let the thread end before the application
        // object goes.
        QObject::connect(app, &QCoreApplication::aboutToQuit, thread, [thread] {
            thread->quit();
            thread->wait(2000);
        });
    }
    thread->start(QThread::LowPriority);
}

} // namespace velmora::CrashReporter
