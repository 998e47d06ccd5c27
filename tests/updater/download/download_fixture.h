#pragma once
// Scratch folders, a served package and a way to run the engine to its end.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "test_package.h"
#include "updater/download/curl_downloader.h"
#include "updater_log_capture.h"

namespace download_test {

class DownloadTest : public ::testing::Test {
 protected:
  // Writes `bytes` as root/name for the servers and returns its path.
  std::filesystem::path Serve(const std::string& name, const std::string& bytes) {
    veska_test::WriteFile(root_ / name, bytes);
    return root_ / name;
  }
  std::string Target() const { return (work_ / "update.zip").string(); }
  std::string TempPath() const { return Target() + ".dltmp"; }

  // Waits until the engine is finished or every worker stopped, then finishes.
  static bool RunToEnd(CurlDownloader& engine, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const bool ended = veska_test::WaitUntil(
        [&] {
          bool stopped = false;
          return engine.IsFinished(&stopped) || stopped;
        },
        limit);
    const bool finished = engine.IsFinished(nullptr);
    engine.WaitAndFinish();
    return ended && finished;
  }

  // Settings with few retries, for servers that keep failing.
  static DownloadSettings FewRetries(int retries) {
    DownloadSettings settings;
    settings.maxRetries = retries;
    return settings;
  }

  LogWindow log_;
  veska_test::TempDir root_;
  veska_test::TempDir work_;
};

// Lines of a request log whose method is GET and whose range is not the
// range test's.
inline std::vector<std::string> DataRequests(const std::vector<std::string>& requests) {
  std::vector<std::string> data;
  for (const auto& line : requests) {
    if (line.rfind("GET ", 0) == 0) data.push_back(line);
  }
  return data;
}

}  // namespace download_test
