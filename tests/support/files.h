#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::vector<std::string> SplitLines(const std::string& text);
// Regular files directly in `folder`, sorted by name.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder);

}  // namespace veska_test
