#include <errno.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/pipe_client.h"
#include "platform/pipe_path.h"
#include "platform/unique_fd.h"

namespace platform {

struct PipeClient::State {
  UniqueFd socket;
};

PipeClient::PipeClient(std::unique_ptr<State> state) : state_(std::move(state)) {}
PipeClient::PipeClient(PipeClient&&) noexcept = default;
PipeClient& PipeClient::operator=(PipeClient&&) noexcept = default;
PipeClient::~PipeClient() = default;

Result<PipeClient> PipeClient::Connect(std::string_view pipe_name) {
  auto path = PipeSocketPath(pipe_name);
  if (!path) return path.error();

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path->size() >= sizeof address.sun_path) return Error{ENAMETOOLONG, "pipe path " + *path};
  memcpy(address.sun_path, path->c_str(), path->size() + 1);

  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return LastError("socket");
  if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return LastError("connect " + *path);
  }
  auto state = std::make_unique<State>();
  state->socket = std::move(fd);
  return PipeClient(std::move(state));
}

Status PipeClient::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(state_->socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError("send");
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

}  // namespace platform
