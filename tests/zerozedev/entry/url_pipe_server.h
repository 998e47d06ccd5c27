#pragma once
// Stands in for a running client's URL hand-off pipe: accepts one connection
// and keeps every byte it receives until the peer closes.

#include <string>
#include <thread>

namespace veska_test {

class UrlPipeServer {
 public:
  // Listens on the socket the platform layer maps `pipe_name` to (under the
  // XDG_RUNTIME_DIR of the calling process).
  explicit UrlPipeServer(const std::string& pipe_name);
  ~UrlPipeServer();

  // Bytes of the first connection, once it has closed (empty after 10 s).
  std::string Received();

 private:
  int listen_fd_ = -1;
  std::string path_;
  std::string received_;
  std::thread reader_;
};

}  // namespace veska_test
