#include "zerozedev/log/log_file.h"

#include <cerrno>

namespace {

// Far more files than one second can produce; only bounds the search.
constexpr int kMaxFilesPerSecond = 100000;

}  // namespace

CreatedLogFile CreateLogFile(const std::string& folder, std::int64_t unixSeconds) {
  const std::string stem = (folder.empty() ? std::string() : folder + "/") + std::to_string(unixSeconds);
  for (int counter = 0; counter < kMaxFilesPerSecond; ++counter) {
    std::string path = stem + (counter == 0 ? "" : "_" + std::to_string(counter)) + ".log";
    // "x": create only, an existing file is never opened, let alone truncated.
    if (std::FILE* file = std::fopen(path.c_str(), "wx")) return {LogFileHandle(file), std::move(path)};
    if (errno != EEXIST) break;
  }
  return {};
}
