#include "zerozedev/update/install_update_package.h"

#include <string>
#include <system_error>

#include "platform/folders.h"
#include "platform/process.h"
#include "safe_unzip/extract_archive.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/update/update_files.h"

namespace zerozedev {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFunction = "InstallUpdatePackage";
// A leftover of this name from an interrupted start is removed before the
// entry is written again.
constexpr const char* kPartialEntrySuffix = ".update-part";

// A failed entry leaves the folder as it was for that entry, so the remaining
// entries still go in.
void LogEntry(const safe_unzip::EntryReport& report) {
  using safe_unzip::EntryOutcome;
  auto& log = LauncherLog::Instance();
  const char* name = report.name.c_str();
  switch (report.outcome) {
    case EntryOutcome::kFileWritten:
    case EntryOutcome::kFolderMade:
      return;
    case EntryOutcome::kUnreadableHeader:
      log.Write(4, kUpdateLogTag, __LINE__, kFunction, "unreadable entry header, skipped");
      return;
    case EntryOutcome::kOutsideFolder:
      log.Write(4, kUpdateLogTag, __LINE__, kFunction, "entry outside the folder, skipped: %s",
                name);
      return;
    case EntryOutcome::kFolderFailed:
      log.Write(4, kUpdateLogTag, __LINE__, kFunction, "cannot create folder %s: %s", name,
                report.error.c_str());
      return;
    case EntryOutcome::kLinkSkipped:
      log.Write(4, kUpdateLogTag, __LINE__, kFunction, "link entry, skipped: %s", name);
      return;
    case EntryOutcome::kFileFailed:
      log.Write(4, kUpdateLogTag, __LINE__, kFunction,
                "entry not installed, old file kept: %s: %s", name, report.error.c_str());
      return;
  }
}

}  // namespace

void InstallUpdatePackage() {
  const auto folder = platform::CurrentDirectory();
  if (!folder) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "current folder unknown: %s", folder.error().Describe().c_str());
    return;
  }
  InstallUpdatePackageIn(*folder);
}

void InstallUpdatePackageIn(const fs::path& folder) {
  const fs::path package = folder / kUpdatePackageName;
  std::error_code ec;
  if (!fs::exists(package, ec)) return;

  platform::TerminateProcessesNamed(std::string(kCacheAssistantExeName));

  safe_unzip::ExtractOptions options;
  options.temporary_suffix = kPartialEntrySuffix;
  options.on_entry = LogEntry;
  if (!safe_unzip::ExtractArchive(package, folder, options)) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "cannot open %s as a zip archive", package.c_str());
  }
  fs::remove(package, ec);
}

}  // namespace zerozedev
