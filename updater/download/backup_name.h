#pragma once
// Other target names used while a held temporary file blocks the usual one:
// the target path followed by "~bk%d".

#include <optional>
#include <string>

// The target path with the first "~bk<k>" suffix (k = 0, 1, ...) that names
// no existing file.
std::string NextBackupName(const std::string& targetPath);

// The path without its "~bk<digits>" suffix when its file name ends in one.
std::optional<std::string> WithoutBackupSuffix(const std::string& path);
