#pragma once
// A virtual X server (Debian's xvfb) of the test's own, on a display number
// the server picks itself (-displayfd), so that parallel runs never share one.
// Stopped with SIGTERM when the object goes, which lets it remove its lock
// file and socket.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/named_program.h"
#include "support/run_program.h"

namespace veska_test {

class XvfbServer {
 public:
  // A screen of width by height pixels. Throws when the server does not start.
  XvfbServer(int width, int height);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", for DISPLAY.
  const std::string& display() const { return display_; }
  // Whether the programs the tests drive a display with are installed.
  static bool Available();

  // xdotool on this display.
  ProgramRun XdoTool(const std::vector<std::string>& args) const;
  // The X window of the window class once it is shown, or "" when none came within a minute.
  std::string WaitForWindow(const std::string& className) const;
  // X, Y, WIDTH, HEIGHT of a window, as xdotool reports them.
  std::map<std::string, int> Geometry(const std::string& window) const;
  // Focuses the window and presses the key there; whether both worked.
  bool PressKey(const std::string& window, const std::string& key) const;

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

}  // namespace veska_test
