#include "support/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <stdexcept>

namespace veska_test {

XvfbServer::XvfbServer(int width, int height) {
  std::array<int, 2> ready{};
  if (pipe(ready.data()) != 0) throw std::runtime_error("pipe failed");
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_ = std::make_unique<ChildProcess>(
      "/usr/bin/Xvfb",
      std::vector<std::string>{"-displayfd", std::to_string(ready[1]), "-nolisten", "tcp", "-screen", "0", screen});
  close(ready[1]);
  std::string number;
  for (char c = 0; c != '\n';) {
    pollfd readable{ready[0], POLLIN, 0};
    if (poll(&readable, 1, 10000) != 1 || read(ready[0], &c, 1) != 1) break;
    if (c != '\n') number += c;
  }
  close(ready[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
  kill(server_->pid(), SIGTERM);
  server_->WaitExit();
}

bool XvfbServer::Available() {
  return std::filesystem::exists("/usr/bin/Xvfb") && std::filesystem::exists("/usr/bin/xdotool");
}

}  // namespace veska_test
