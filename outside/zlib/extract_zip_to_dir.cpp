// ExtractZipToDir(archive, folder, reserved): unpacks the whole zip archive
// at `archive` into the existing `folder` (UTF-16 paths), the way the
// launcher unpacks a pending update: names that would leave the folder are
// refused, each file is written under a temporary name and renamed over its
// target only after a good CRC, stored modes are kept.
//
// Returns 0 when every entry went in, 1 when the archive cannot be read as a
// zip archive (nothing written), 2 when the folder does not exist, 3 when
// some entries failed (the others went in; a failed entry's old file stays),
// 4 for a null path. `reserved` is not used.

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "safe_unzip/extract_archive.h"

namespace {

constexpr std::int32_t kExtracted = 0;
constexpr std::int32_t kNotAnArchive = 1;
constexpr std::int32_t kNoFolder = 2;
constexpr std::int32_t kSomeEntriesFailed = 3;
constexpr std::int32_t kNullPath = 4;
// The same temporary name as the launcher's, since both write the same files.
constexpr const char* kPartialEntrySuffix = ".update-part";

std::filesystem::path PathOf(const char16_t* text) { return platform::Utf16ToUtf8(text); }

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t ExtractZipToDir(const char16_t* archive,
                                                                               const char16_t* folder,
                                                                               std::int32_t /*reserved*/) {
  if (archive == nullptr || folder == nullptr) return kNullPath;
  const std::filesystem::path target = PathOf(folder);
  std::error_code error;
  if (!std::filesystem::is_directory(target, error)) return kNoFolder;
  safe_unzip::ExtractOptions options;
  options.temporary_suffix = kPartialEntrySuffix;
  safe_unzip::ExtractSummary summary;
  if (!safe_unzip::ExtractArchive(PathOf(archive), target, options, &summary)) return kNotAnArchive;
  return summary.failed == 0 ? kExtracted : kSomeEntriesFailed;
}
