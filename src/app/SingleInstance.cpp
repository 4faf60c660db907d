#include "app/SingleInstance.h"

#include "app/InstanceClient.h"

#include <QDir>

#include <chrono>
#include <cstdio>
#include <thread>

namespace velmora::SingleInstance {
namespace {

using Clock = std::chrono::steady_clock;

int fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return 1;
}

void waitingMessage(std::optional<qint64> processId)
{
    if (processId)
        std::fprintf(stderr, "Waiting for the running Velmora (process %lld) to answer...\n", processId.value());
    else
        std::fputs("Waiting for the running Velmora to answer...\n", stderr);
    std::fflush(stderr);
}

} // namespace

std::optional<InstanceRequest> requestFor(const QStringList& arguments, const QString& workingDirectory, QString* error)
{
    const FolderCommandLine command = parseFolderCommandLine(arguments, workingDirectory);
    if (command.present) {
        if (!command.request && error)
            *error = command.error;
        return command.request ? std::optional(InstanceRequest::fromFolder(*command.request)) : std::nullopt;
    }
    const qsizetype preview = arguments.indexOf(QStringLiteral("--preview-skin"), 1);
    if (preview > 0 && preview + 1 < arguments.size())
        return InstanceRequest{InstanceRequest::Action::previewSkin,
                               QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(arguments.at(preview + 1)))};
    return InstanceRequest{};
}

Start begin(const QStringList& arguments, const std::optional<InstanceAddress>& address, int timeoutMs,
            int answerWaitMs, std::chrono::milliseconds noticeAfter)
{
    QString refusal;
    const std::optional<InstanceRequest> request = requestFor(arguments, QDir::currentPath(), &refusal);
    if (!request)
        return {fail(refusal), std::nullopt, std::nullopt};
    Start start;
    start.startupRequest = request->folderRequest();
    if (!address)
        return start;

    const Clock::time_point started = Clock::now();
    const Clock::time_point deadline = started + std::chrono::milliseconds(timeoutMs);
    InstanceClient::WaitNotice notice{started + noticeAfter, waitingMessage};
    for (;;) {
        const InstanceClient::Result result = InstanceClient::send(
            *request, address->socketPath, deadline, std::chrono::milliseconds(answerWaitMs), &notice);
        switch (result.status) {
        case InstanceClient::Result::Status::answered:
            return {result.error.isEmpty() ? 0 : fail(result.error), std::nullopt, std::nullopt};
        case InstanceClient::Result::Status::failed: return {fail(result.error), std::nullopt, std::nullopt};
        case InstanceClient::Result::Status::busy: break;
        case InstanceClient::Result::Status::nobodyListening: {
            InstanceClaim::Refusal refusal = InstanceClaim::Refusal::held;
            QString error;
            if (std::optional<InstanceClaim> claim = InstanceClaim::take(*address, &refusal, &error)) {
                start.claim = std::move(claim);
                return start;
            }
            if (refusal == InstanceClaim::Refusal::failed) {
                std::fprintf(stderr,
                             "[Velmora] Cannot answer later instances (%s); this one runs on its own\n",
                             error.toLocal8Bit().constData());
                return start;
            }
            // Another process holds the lock: it is starting and will listen.
            break;
        }
        }
        if (Clock::now() >= deadline)
            return {fail(QStringLiteral("Velmora is running but does not answer.")), std::nullopt, std::nullopt};
        notice.tellIfDue(std::nullopt);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace velmora::SingleInstance
