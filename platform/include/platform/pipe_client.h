#pragma once
// The client end of a named pipe for one-shot writes (CreateFileW on an
// existing pipe, then WriteFile): connects to the pipe's socket.

#include <memory>
#include <string_view>

#include "platform/result.h"

namespace platform {

class PipeClient {
 public:
  PipeClient(PipeClient&&) noexcept;
  PipeClient& operator=(PipeClient&&) noexcept;
  ~PipeClient();

  // Fails when no server listens on the pipe.
  static Result<PipeClient> Connect(std::string_view pipe_name);
  // Writes every byte (one message; the peer sees them in order).
  Status WriteAll(std::string_view bytes);

  struct State;  // backend-defined
  explicit PipeClient(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
