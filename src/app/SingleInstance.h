#pragma once

#include "app/FolderRequest.h"
#include "app/InstanceClaim.h"
#include "app/InstanceClient.h"
#include "app/InstanceRequest.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace velmora {

// One running instance per user and display. Before anything else starts, a
// velmora either hands its command line to the running instance and ends, or
// becomes the running instance by claiming the address. Two started at once
// never both start: only the one that takes the lock starts, and the other
// hands over once it listens. Plain POSIX; runs before the application.
namespace SingleInstance {

// What a command line asks of the running instance: its folder option, the
// skin folder to preview, else "reopen". None when a folder option names
// only paths that do not exist; *error then says which.
std::optional<InstanceRequest> requestFor(const QStringList& arguments, const QString& workingDirectory,
                                          QString* error = nullptr);

struct Start {
    // This process is done: 0 once the running instance took the request,
    // 1 when it refused it or did not answer (the reason is on standard error).
    std::optional<int> exitCode;
    // This process is the running instance: its hold on the address. Empty
    // when the address could not be made (it runs on its own, with a warning).
    std::optional<InstanceClaim> claim;
    // The folder request for this process to carry out once its first
    // windows are open.
    std::optional<FolderRequest> startupRequest;
};

// Hands the command line's request to the running instance, waiting for it
// until the time-out (an instance that is starting gets that long to
// listen) and for its answer up to answerWaitMs more, or claims the address.
// A wait that lasts longer than noticeAfter is told once on standard error,
// with the running instance's process id when it is known, so that a
// running instance that is stopped or busy does not look like a hang.
Start begin(const QStringList& arguments, const std::optional<InstanceAddress>& address, int timeoutMs = 20000,
            int answerWaitMs = int(std::chrono::milliseconds(InstanceClient::answerTimeout).count()),
            std::chrono::milliseconds noticeAfter = std::chrono::seconds(3));

} // namespace SingleInstance
} // namespace velmora
