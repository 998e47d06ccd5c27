#pragma once
// Extracting one archive entry over an existing file without ever leaving a
// half-written file in its place.

#include <filesystem>
#include <string>
#include <string_view>

#include "safe_unzip/zip_archive_reader.h"

namespace safe_unzip {

// Writes the archive's current entry to a temporary file beside `target`
// (its name plus `temporary_suffix`; a leftover of that name is removed
// first) and renames it over `target` only once the whole entry was read with a correct
// CRC. The file gets the entry's stored permission bits (set-id and sticky
// bits dropped); without any, a replaced file keeps its old mode. On failure
// `target` is untouched, no temporary file remains and `error` says why.
bool ExtractEntryReplacing(ZipArchiveReader& archive, const ZipEntryInfo& entry,
                           const std::filesystem::path& target,
                           std::string_view temporary_suffix, std::string& error);

}  // namespace safe_unzip
