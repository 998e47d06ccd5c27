#include "url_pipe_server.h"

#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/pipe_path.h"

namespace veska_test {

UrlPipeServer::UrlPipeServer(const std::string& pipe_name) {
  auto path = platform::PipeSocketPath(pipe_name);
  if (!path) throw std::runtime_error(path.error().Describe());
  path_ = *path;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  unlink(path_.c_str());
  listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 4) != 0) {
    throw std::runtime_error("cannot listen on " + path_);
  }
  reader_ = std::thread([this] {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, 10000) != 1) return;
    const int peer = accept(listen_fd_, nullptr, nullptr);
    if (peer < 0) return;
    char buffer[4096];
    for (;;) {
      pollfd r{peer, POLLIN, 0};
      if (poll(&r, 1, 10000) != 1) break;
      const ssize_t n = read(peer, buffer, sizeof buffer);
      if (n <= 0) break;
      received_.append(buffer, static_cast<size_t>(n));
    }
    close(peer);
  });
}

UrlPipeServer::~UrlPipeServer() {
  if (reader_.joinable()) reader_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
  unlink(path_.c_str());
}

std::string UrlPipeServer::Received() {
  if (reader_.joinable()) reader_.join();
  return received_;
}

}  // namespace veska_test
