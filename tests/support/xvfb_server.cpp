#include "support/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "support/files.h"
#include "support/wait.h"

namespace veska_test {

namespace {
// A GTK program's first window on a loaded machine (fonts, the skin) can take
// many seconds; a window that never comes still ends the wait.
constexpr std::chrono::seconds kWindowLimit{60};
}  // namespace

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

ProgramRun XvfbServer::XdoTool(const std::vector<std::string>& args) const {
  return RunProgram("/usr/bin/xdotool", args, {"DISPLAY=" + display_}, std::chrono::seconds(20));
}

std::string XvfbServer::WaitForWindow(const std::string& className) const {
  std::string id;
  WaitUntil([&] {
    const auto found = XdoTool({"search", "--onlyvisible", "--classname", className});
    id = found.out.substr(0, found.out.find('\n'));
    return found.exit_code == 0 && !id.empty();
  }, kWindowLimit);
  return id;
}

std::map<std::string, int> XvfbServer::Geometry(const std::string& window) const {
  std::map<std::string, int> values;
  for (const auto& line : SplitLines(XdoTool({"getwindowgeometry", "--shell", window}).out)) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
  }
  return values;
}

bool XvfbServer::PressKey(const std::string& window, const std::string& key) const {
  return XdoTool({"windowfocus", "--sync", window}).exit_code == 0 && XdoTool({"key", key}).exit_code == 0;
}

}  // namespace veska_test
