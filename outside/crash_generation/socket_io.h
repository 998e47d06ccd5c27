#pragma once
// Whole-message transfers on the crash server's Unix stream sockets, with a
// deadline and an optional cancel descriptor (readable = give up), and
// descriptors passed alongside (SCM_RIGHTS).

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "platform/unique_fd.h"

namespace google_breakpad {

using Deadline = std::chrono::steady_clock::time_point;

enum class IoOutcome { kDone, kPeerClosed, kTimedOut, kCancelled, kFailed };

// Reads exactly `size` bytes. Descriptors that arrive with them are kept in
// `descriptors` when it is given and closed otherwise.
IoOutcome ReceiveExact(int fd, void* buffer, size_t size, Deadline deadline, int cancel_fd = -1,
                       std::vector<platform::UniqueFd>* descriptors = nullptr);

// Writes exactly `size` bytes; `descriptors` travel with the first byte.
IoOutcome SendExact(int fd, const void* buffer, size_t size, Deadline deadline, int cancel_fd = -1,
                    std::span<const int> descriptors = {});

// The process id of the socket's peer as the kernel recorded it at connect.
std::optional<int> PeerProcessId(int fd);

}  // namespace google_breakpad
