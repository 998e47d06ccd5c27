#include "zerozedev/update/apply_pending_update.h"

#include <string_view>
#include <system_error>

#include "platform/folders.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/update/update_files.h"

namespace zerozedev {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCopyingSuffix = ".copying";

}  // namespace

void ApplyPendingUpdate() {
  const auto folder = platform::OwnExecutableFolder();
  if (!folder) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, "ApplyPendingUpdate",
                                  "launcher folder unknown: %s",
                                  folder.error().Describe().c_str());
    return;
  }
  ApplyPendingUpdateIn(*folder);
}

void ApplyPendingUpdateIn(const fs::path& launcher_folder) {
  const fs::path temp = launcher_folder / kUpdateTempFolder;
  std::error_code ec;
  for (const auto leftover : kUpdaterLeftovers) fs::remove(temp / leftover, ec);

  const fs::path finished = temp / kUpdatePackageName;
  if (!fs::is_regular_file(finished, ec)) return;
  const fs::path package = launcher_folder / kUpdatePackageName;
  // Copied beside its place and renamed over it only when whole: a copy that
  // fails, however early, leaves an older package as it was. The finished
  // package stays in temp/ for the next start.
  fs::path copying = package;
  copying += kCopyingSuffix;
  std::error_code failure;
  fs::copy_file(finished, copying, fs::copy_options::overwrite_existing, failure);
  if (!failure) fs::rename(copying, package, failure);
  if (failure) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, "ApplyPendingUpdate",
                                  "cannot copy %s: %s", finished.c_str(), failure.message().c_str());
    fs::remove(copying, ec);
    return;
  }
  fs::remove(finished, ec);
}

}  // namespace zerozedev
