#pragma once
#include <string>

namespace kvt {

// PathCreateDirectory on a path that fits its private copy: each missing
// folder along it is created and given the "Users" access.
void CreateFolderPath(const std::string& path);

}  // namespace kvt
