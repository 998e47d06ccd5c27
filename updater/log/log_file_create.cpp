#include "updater/log/log_file_create.h"

#include <cerrno>
#include <chrono>

#include "platform/private_files.h"

namespace updater {
namespace {

constexpr int kMaxSameTickFiles = 10000;

}  // namespace

std::int64_t LogMillisecondTick() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

CreatedLogFile CreateLogFile(const std::string& folder, const std::string& name, std::int64_t tick) {
  const std::string stem =
      folder + "/" + name + "_" + std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(tick)));
  for (int counter = 0; counter < kMaxSameTickFiles; ++counter) {
    std::string path = stem + (counter == 0 ? "" : "_" + std::to_string(counter)) + ".log";
    // A new file only, so an earlier file of the same tick survives. Private:
    // lines carry the update's address and parameters.
    auto file = platform::CreatePrivateFile(path, platform::PrivateFileCreation::kNew);
    if (file) return {file->release(), std::move(path)};
    if (file.error().code != EEXIST) break;
  }
  return {};
}

}  // namespace updater
