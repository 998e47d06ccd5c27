#include "outside/crash_generation/socket_io.h"

#include <poll.h>
#include <string.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace google_breakpad {
namespace {

constexpr size_t kMaxPassedDescriptors = 8;

// Waits until `fd` is ready for `events`, the cancel descriptor is readable
// or the deadline passes.
IoOutcome WaitReady(int fd, short events, Deadline deadline, int cancel_fd) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return IoOutcome::kTimedOut;
    pollfd fds[2] = {{fd, events, 0}, {cancel_fd, POLLIN, 0}};
    const int n = poll(fds, cancel_fd >= 0 ? 2 : 1,
                       static_cast<int>(std::min<long long>(left.count() + 1, 60'000)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return IoOutcome::kFailed;
    }
    if (n == 0) continue;
    if (cancel_fd >= 0 && (fds[1].revents & POLLIN)) return IoOutcome::kCancelled;
    if (fds[0].revents != 0) return IoOutcome::kDone;
  }
}

void TakeDescriptors(msghdr& message, std::vector<platform::UniqueFd>* descriptors) {
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (size_t i = 0; i < count; ++i) {
      int fd;
      memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
      platform::UniqueFd owned(fd);
      if (descriptors != nullptr) descriptors->push_back(std::move(owned));
    }
  }
}

}  // namespace

IoOutcome ReceiveExact(int fd, void* buffer, size_t size, Deadline deadline, int cancel_fd,
                       std::vector<platform::UniqueFd>* descriptors) {
  size_t done = 0;
  while (done < size) {
    const IoOutcome ready = WaitReady(fd, POLLIN, deadline, cancel_fd);
    if (ready != IoOutcome::kDone) return ready;
    iovec part{static_cast<char*>(buffer) + done, size - done};
    alignas(cmsghdr) char control[CMSG_SPACE(kMaxPassedDescriptors * sizeof(int))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (descriptors != nullptr) {
      message.msg_control = control;
      message.msg_controllen = sizeof control;
    }
    const ssize_t n = recvmsg(fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return IoOutcome::kFailed;
    }
    if (descriptors != nullptr) TakeDescriptors(message, descriptors);
    if (n == 0) return IoOutcome::kPeerClosed;
    done += static_cast<size_t>(n);
  }
  return IoOutcome::kDone;
}

IoOutcome SendExact(int fd, const void* buffer, size_t size, Deadline deadline, int cancel_fd,
                    std::span<const int> descriptors) {
  if (descriptors.size() > kMaxPassedDescriptors) return IoOutcome::kFailed;
  size_t done = 0;
  while (done < size) {
    const IoOutcome ready = WaitReady(fd, POLLOUT, deadline, cancel_fd);
    if (ready != IoOutcome::kDone) return ready;
    iovec part{const_cast<char*>(static_cast<const char*>(buffer)) + done, size - done};
    alignas(cmsghdr) char control[CMSG_SPACE(kMaxPassedDescriptors * sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (done == 0 && !descriptors.empty()) {
      message.msg_control = control;
      message.msg_controllen = CMSG_SPACE(descriptors.size() * sizeof(int));
      cmsghdr* header = CMSG_FIRSTHDR(&message);
      header->cmsg_level = SOL_SOCKET;
      header->cmsg_type = SCM_RIGHTS;
      header->cmsg_len = CMSG_LEN(descriptors.size() * sizeof(int));
      memcpy(CMSG_DATA(header), descriptors.data(), descriptors.size() * sizeof(int));
    }
    const ssize_t n = sendmsg(fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == EPIPE || errno == ECONNRESET) return IoOutcome::kPeerClosed;
      return IoOutcome::kFailed;
    }
    done += static_cast<size_t>(n);
  }
  return IoOutcome::kDone;
}

std::optional<int> PeerProcessId(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return std::nullopt;
  if (credentials.pid <= 0) return std::nullopt;
  return credentials.pid;
}

}  // namespace google_breakpad
