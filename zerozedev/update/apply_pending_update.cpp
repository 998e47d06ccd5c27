#include "zerozedev/update/apply_pending_update.h"

#include <system_error>

#include "platform/folders.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/update/update_files.h"

namespace zerozedev {

namespace fs = std::filesystem;

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
  if (!fs::copy_file(finished, package, fs::copy_options::overwrite_existing, ec)) {
    // Keep the finished package for the next start rather than lose it, and
    // leave no half-copied package to be unpacked now.
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, "ApplyPendingUpdate",
                                  "cannot copy %s: %s", finished.c_str(), ec.message().c_str());
    fs::remove(package, ec);
    return;
  }
  fs::remove(finished, ec);
}

}  // namespace zerozedev
