#include "zerozedev/log/log_file.h"

#include <cerrno>

#include "platform/private_files.h"

namespace {

// Far more files than one second can produce; only bounds the search.
constexpr int kMaxFilesPerSecond = 100000;

}  // namespace

CreatedLogFile CreateLogFile(const std::string& folder, std::int64_t unixSeconds) {
  const std::string stem = (folder.empty() ? std::string() : folder + "/") + std::to_string(unixSeconds);
  for (int counter = 0; counter < kMaxFilesPerSecond; ++counter) {
    std::string path = stem + (counter == 0 ? "" : "_" + std::to_string(counter)) + ".log";
    // A new file only: an existing one is never opened, let alone truncated.
    // Private: records carry addresses and parameters.
    auto file = platform::CreatePrivateFile(path, platform::PrivateFileCreation::kNew);
    if (file) return {LogFileHandle(file->release()), std::move(path)};
    if (file.error().code != EEXIST) break;
  }
  return {};
}
