#pragma once
// Unpacking a whole zip archive into a folder, safely: entries that would land
// outside the folder are refused, links are not followed or made, and every
// file is written under a temporary name and renamed over its target only
// after a good CRC. An entry that fails leaves its old file as it was; the
// other entries still go in.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace safe_unzip {

enum class EntryOutcome {
  kFileWritten,
  kFolderMade,
  kUnreadableHeader,  // the entry's header could not be read; name unknown
  kOutsideFolder,     // absolute name or a climb through ".."
  kFolderFailed,      // a folder entry, or the folder of a file, could not be made
  kLinkSkipped,
  kFileFailed,        // damaged data, CRC mismatch, or the file could not be written
};

struct EntryReport {
  EntryOutcome outcome;
  std::string name;   // as stored, broken UTF-8 replaced by U+FFFD
  std::string error;  // why, for the failures that have a system reason
};

struct ExtractOptions {
  // Appended to a target's name while its entry is being written.
  std::string temporary_suffix = ".part";
  // Told about every entry, in archive order.
  std::function<void(const EntryReport&)> on_entry;
};

struct ExtractSummary {
  std::uint64_t entries = 0;
  std::uint64_t failed = 0;  // every outcome other than a file written or a folder made
};

// False when `archive` is missing or is no zip archive; nothing is written
// then. The folder itself must exist.
bool ExtractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder,
                    const ExtractOptions& options, ExtractSummary* summary = nullptr);

}  // namespace safe_unzip
