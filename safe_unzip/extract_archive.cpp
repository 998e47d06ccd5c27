#include "safe_unzip/extract_archive.h"

#include <system_error>

#include "platform/text.h"
#include "safe_unzip/entry_path.h"
#include "safe_unzip/extract_entry.h"
#include "safe_unzip/zip_archive_reader.h"

namespace safe_unzip {
namespace {

namespace fs = std::filesystem;

EntryReport ExtractCurrent(ZipArchiveReader& archive, const fs::path& folder,
                           const ExtractOptions& options) {
  const auto entry = archive.CurrentEntry();
  if (!entry) return {EntryOutcome::kUnreadableHeader, {}, {}};
  // Names are read as UTF-8; broken bytes become U+FFFD before they reach a path.
  std::string name = platform::ReplaceInvalidUtf8(entry->name);
  const auto relative = SafeRelativeEntryPath(name);
  if (!relative) return {EntryOutcome::kOutsideFolder, std::move(name), {}};
  const fs::path target = folder / *relative;
  std::error_code ec;
  if (entry->is_directory) {
    fs::create_directories(target, ec);
    if (ec) return {EntryOutcome::kFolderFailed, std::move(name), ec.message()};
    return {EntryOutcome::kFolderMade, std::move(name), {}};
  }
  if (entry->is_symlink) return {EntryOutcome::kLinkSkipped, std::move(name), {}};
  fs::create_directories(target.parent_path(), ec);
  std::string error;
  if (!ExtractEntryReplacing(archive, *entry, target, options.temporary_suffix, error)) {
    return {EntryOutcome::kFileFailed, std::move(name), std::move(error)};
  }
  return {EntryOutcome::kFileWritten, std::move(name), {}};
}

}  // namespace

bool ExtractArchive(const fs::path& archive_path, const fs::path& folder,
                    const ExtractOptions& options, ExtractSummary* summary) {
  auto archive = ZipArchiveReader::Open(archive_path);
  if (!archive) return false;
  ExtractSummary counts;
  const std::uint64_t count = archive->EntryCount();
  bool positioned = archive->GoToFirstEntry();
  for (std::uint64_t i = 0; i < count && positioned; ++i) {
    const EntryReport report = ExtractCurrent(*archive, folder, options);
    ++counts.entries;
    if (report.outcome != EntryOutcome::kFileWritten &&
        report.outcome != EntryOutcome::kFolderMade) {
      ++counts.failed;
    }
    if (options.on_entry) options.on_entry(report);
    positioned = i + 1 < count && archive->GoToNextEntry();
  }
  if (summary != nullptr) *summary = counts;
  return true;
}

}  // namespace safe_unzip
