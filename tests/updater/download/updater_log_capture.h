#pragma once
// The process's updater log, opened in a scratch data folder (once per test
// process), read back from a mark on so that each test sees only its own lines.

#include <chrono>
#include <cstddef>
#include <string>

namespace download_test {

class LogWindow {
 public:
  // Opens the log on first use; the window starts at the log's current end.
  LogWindow();

  // Lines written since the window was made.
  std::string Text() const;
  // Waits until the window holds `text` (the log's writer thread appends
  // lines shortly after they are queued).
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  int Count(const std::string& text) const;

 private:
  std::size_t from_ = 0;
};

}  // namespace download_test
