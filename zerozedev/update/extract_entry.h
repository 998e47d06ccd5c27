#pragma once
// Extracting one package entry over an existing file without ever leaving a
// half-written file in its place.

#include <filesystem>
#include <string>

#include "zerozedev/update/zip_archive_reader.h"

namespace zerozedev {

// Writes the archive's current entry to a temporary file beside `target` and
// renames it over `target` only once the whole entry was read with a correct
// CRC. The file gets the entry's stored permission bits (set-id and sticky
// bits dropped); without any, a replaced file keeps its old mode. On failure
// `target` is untouched, no temporary file remains and `error` says why.
bool ExtractEntryReplacing(ZipArchiveReader& archive, const ZipEntryInfo& entry,
                           const std::filesystem::path& target, std::string& error);

}  // namespace zerozedev
