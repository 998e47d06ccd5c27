#pragma once
// A bare socket client of the crash generation server, for sending exactly
// the bytes a test wants (including malformed and forged ones).

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "outside/crash_generation/crash_message.h"

namespace veska_test {

class RawConnection {
 public:
  // Connects to the socket of `pipe_name`; valid() tells whether it worked.
  explicit RawConnection(const std::string& pipe_name);

  bool valid() const { return socket_.valid(); }
  bool Send(const void* bytes, size_t size, const std::vector<int>& descriptors = {});
  bool Send(const google_breakpad::CrashMessage& message);
  void ShutdownWrite();

  struct Reply {
    google_breakpad::CrashMessage message;
    std::vector<platform::UniqueFd> descriptors;
  };
  // The server's next whole message, or nothing when it closed first.
  std::optional<Reply> Receive(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // True when the server closes the connection without sending a byte
  // within `limit`.
  bool ClosedWithoutReply(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  platform::UniqueFd socket_;
};

}  // namespace veska_test
