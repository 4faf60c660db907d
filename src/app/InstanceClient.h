#pragma once

#include "app/InstanceRequest.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace velmora {

// A later instance's side of the socket: hands one request to the running
// instance and waits for its answer, until a deadline. Plain POSIX and
// blocking; no event loop needed.
namespace InstanceClient {

struct Result {
    enum class Status {
        answered, // the running instance answered: error is its answer, empty on success
        nobodyListening, // no socket, or nobody listens on it
        busy, // the listening queue is full: try again
        failed, // connected, but no answer came; error says what happened
    };
    Status status = Status::nobodyListening;
    QString error;
};

// How long a request handed over may wait for its answer: the running
// instance carries requests out one after another, and a burst of them
// (a window or a tab each) takes a while.
constexpr std::chrono::seconds answerTimeout{120};

// Said once, when a wait for the running instance lasts: from the time it is
// due, the first wait that goes on tells it, with the running instance's
// process id when it is known.
struct WaitNotice {
    std::chrono::steady_clock::time_point due;
    std::function<void(std::optional<qint64> processId)> tell;
    bool told = false;

    // Tells it when it is due and was not told yet.
    void tellIfDue(std::optional<qint64> processId);
};

// Connects until the deadline, sends the request and waits for the answer
// up to answerWait longer, telling the notice, if any, when that takes a
// while. A socket that belongs to another user is not spoken to (failed).
Result send(const InstanceRequest& request, const QString& socketPath, std::chrono::steady_clock::time_point deadline,
            std::chrono::milliseconds answerWait = answerTimeout, WaitNotice* notice = nullptr);

} // namespace InstanceClient
} // namespace velmora
