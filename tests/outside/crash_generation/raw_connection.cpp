#include "raw_connection.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "platform/pipe_path.h"
#include "outside/crash_generation/socket_io.h"

namespace veska_test {

using google_breakpad::IoOutcome;

RawConnection::RawConnection(const std::string& pipe_name) {
  auto path = platform::PipeSocketPath(pipe_name);
  if (!path) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path, path->c_str(), path->size() + 1);
  platform::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) socket_ = std::move(fd);
}

bool RawConnection::Send(const void* bytes, size_t size, const std::vector<int>& descriptors) {
  return google_breakpad::SendExact(socket_.get(), bytes, size,
                                    std::chrono::steady_clock::now() + std::chrono::seconds(10), -1,
                                    descriptors) == IoOutcome::kDone;
}

bool RawConnection::Send(const google_breakpad::CrashMessage& message) {
  const auto bytes = google_breakpad::EncodeCrashMessage(message);
  return Send(bytes.data(), bytes.size());
}

void RawConnection::ShutdownWrite() { shutdown(socket_.get(), SHUT_WR); }

std::optional<RawConnection::Reply> RawConnection::Receive(std::chrono::milliseconds limit) {
  google_breakpad::CrashMessageBytes bytes;
  Reply reply;
  if (google_breakpad::ReceiveExact(socket_.get(), bytes.data(), bytes.size(),
                                    std::chrono::steady_clock::now() + limit, -1,
                                    &reply.descriptors) != IoOutcome::kDone) {
    return std::nullopt;
  }
  reply.message = google_breakpad::DecodeCrashMessage(bytes);
  return reply;
}

bool RawConnection::ClosedWithoutReply(std::chrono::milliseconds limit) {
  pollfd ready{socket_.get(), POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(limit.count())) != 1) return false;
  char byte;
  const ssize_t n = recv(socket_.get(), &byte, 1, MSG_DONTWAIT);
  // A close with bytes of ours still unread arrives as a reset.
  return n == 0 || (n < 0 && errno == ECONNRESET);
}

}  // namespace veska_test
