#include "updater_log_capture.h"

#include <stdlib.h>

#include <filesystem>

#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "updater/log/updater_log.h"

namespace download_test {
namespace {

veska_test::TempDir& DataFolder() {
  // Made before the log opens, so it is removed only after the log's own
  // exit-time shutdown has closed the file in it.
  static veska_test::TempDir folder;
  return folder;
}

void OpenOnce() {
  static const bool opened = [] {
    setenv("XDG_DATA_HOME", DataFolder().str().c_str(), 1);
    UpdaterLog::Instance().Open("qelUpdater");
    UpdaterLog::Instance().SetExactLevel(-1);
    UpdaterLog::Instance().SetMaxLevel(0);
    return true;
  }();
  (void)opened;
}

std::string WholeLog() {
  std::string text;
  const auto root = DataFolder().path() / "trvo" / "logs" / "Updater";
  if (!std::filesystem::exists(root)) return text;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) text += veska_test::ReadFile(entry.path());
  }
  return text;
}

}  // namespace

LogWindow::LogWindow() {
  OpenOnce();
  from_ = WholeLog().size();
}

std::string LogWindow::Text() const {
  const std::string log = WholeLog();
  return log.size() > from_ ? log.substr(from_) : std::string();
}

bool LogWindow::WaitFor(const std::string& text, std::chrono::milliseconds limit) const {
  return veska_test::WaitUntil([&] { return Text().find(text) != std::string::npos; }, limit);
}

int LogWindow::Count(const std::string& text) const {
  const std::string log = Text();
  int count = 0;
  for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

}  // namespace download_test
