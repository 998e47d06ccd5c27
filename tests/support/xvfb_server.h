#pragma once
// A virtual X server (Debian's xvfb) of the test's own, on a display number
// the server picks itself (-displayfd), so that parallel runs never share one.
// Stopped with SIGTERM when the object goes, which lets it remove its lock
// file and socket.

#include <memory>
#include <string>

#include "support/named_program.h"

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

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

}  // namespace veska_test
