#pragma once

#include "app/InstanceRequest.h"

#include <QString>

#include <chrono>

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

// Connects until the deadline, sends the request and waits for the answer
// up to answerWait longer. A socket that belongs to another user is not
// spoken to (failed).
Result send(const InstanceRequest& request, const QString& socketPath, std::chrono::steady_clock::time_point deadline,
            std::chrono::milliseconds answerWait = answerTimeout);

} // namespace InstanceClient
} // namespace velmora
