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

// Sends the request and reads the answer. A socket that belongs to another
// user is not spoken to (failed).
Result send(const InstanceRequest& request, const QString& socketPath, std::chrono::steady_clock::time_point deadline);

} // namespace InstanceClient
} // namespace velmora
