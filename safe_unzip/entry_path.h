#pragma once
// Where an archive entry may be written: only below the folder it is
// unpacked into.

#include <filesystem>
#include <optional>
#include <string_view>

namespace safe_unzip {

// The entry's relative path with '/' separators, or empty when the name is
// absolute (a leading separator or a drive letter), climbs out through "..",
// holds a NUL byte or names nothing. Both '/' and '\' separate folders, as
// archives are often made on Windows.
std::optional<std::filesystem::path> SafeRelativeEntryPath(std::string_view entry_name);

}  // namespace safe_unzip
