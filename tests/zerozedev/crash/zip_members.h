#pragma once
// The members of a real zip file, read back with minizip's unzip API.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace crash_test {

// Stored name -> bytes; nothing when the file is not a readable zip or a
// member fails its check.
std::optional<std::map<std::string, std::string>> ZipMembers(const std::filesystem::path& zip);

}  // namespace crash_test
