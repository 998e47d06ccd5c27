#include "zerozedev/update/install_update_package.h"

#include <string>
#include <system_error>

#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/update/extract_entry.h"
#include "zerozedev/update/package_entry_path.h"
#include "zerozedev/update/update_files.h"
#include "zerozedev/update/zip_archive_reader.h"

namespace zerozedev {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFunction = "InstallUpdatePackage";

// One entry; a failure is logged and leaves the folder as it was for that
// entry, so the remaining entries still go in.
void InstallEntry(ZipArchiveReader& archive, const fs::path& folder) {
  const auto entry = archive.CurrentEntry();
  if (!entry) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "unreadable entry header, skipped");
    return;
  }
  // Names are read as UTF-8; broken bytes become U+FFFD before they reach a path.
  const std::string name = platform::ReplaceInvalidUtf8(entry->name);
  const auto relative = SafeRelativeEntryPath(name);
  if (!relative) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "entry outside the folder, skipped: %s", name.c_str());
    return;
  }
  const fs::path target = folder / *relative;
  std::error_code ec;
  if (entry->is_directory) {
    fs::create_directories(target, ec);
    if (ec) {
      LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                    "cannot create folder %s: %s", name.c_str(),
                                    ec.message().c_str());
    }
    return;
  }
  if (entry->is_symlink) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "link entry, skipped: %s", name.c_str());
    return;
  }
  fs::create_directories(target.parent_path(), ec);
  std::string error;
  if (!ExtractEntryReplacing(archive, *entry, target, error)) {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "entry not installed, old file kept: %s: %s", name.c_str(),
                                  error.c_str());
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

  if (auto archive = ZipArchiveReader::Open(package)) {
    const std::uint64_t count = archive->EntryCount();
    bool positioned = archive->GoToFirstEntry();
    for (std::uint64_t i = 0; i < count && positioned; ++i) {
      InstallEntry(*archive, folder);
      positioned = i + 1 < count && archive->GoToNextEntry();
    }
  } else {
    LauncherLog::Instance().Write(4, kUpdateLogTag, __LINE__, kFunction,
                                  "cannot open %s as a zip archive", package.c_str());
  }
  fs::remove(package, ec);
}

}  // namespace zerozedev
