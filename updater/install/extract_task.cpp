#include "updater/install/extract_task.h"

#include <filesystem>
#include <system_error>

#include "platform/clock.h"
#include "updater/install/archive_component.h"

namespace {

constexpr std::uint32_t kPauseBeforeExtractionMs = 500;

}  // namespace

ExtractTask::ExtractTask(std::string archivePath, std::string folder, std::string componentPath)
    : archivePath_(std::move(archivePath)), folder_(std::move(folder)), componentPath_(std::move(componentPath)) {}

bool ExtractTask::TryExtract() {
  failure_.clear();
  if (folder_.empty()) {
    failure_ = "installation folder unknown";
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error) {
    failure_ = "cannot create " + folder_ + ": " + error.message();
    return false;
  }
  platform::SleepMs(kPauseBeforeExtractionMs);
  const ArchiveExtraction extraction = ExtractZipToDir(componentPath_, archivePath_, folder_);
  if (!extraction.called) {
    failure_ = extraction.failure;
    return false;
  }
  if (extraction.result != 0) {
    failure_ = "the archive component returned " + std::to_string(extraction.result);
    return false;
  }
  return true;
}
