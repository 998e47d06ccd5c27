#pragma once
// Unpacks "update.zip" over the launcher folder, then deletes it.

#include <filesystem>

namespace zerozedev {

// Works in the current directory, which the entry has set to the launcher's
// folder.
void InstallUpdatePackage();
void InstallUpdatePackageIn(const std::filesystem::path& folder);

}  // namespace zerozedev
