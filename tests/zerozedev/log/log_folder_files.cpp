#include "tests/zerozedev/log/log_folder_files.h"

#include <algorithm>
#include <tuple>

#include "support/files.h"

namespace launcher_log_test {
namespace {

// "<seconds>[_<counter>].log" as (seconds, counter).
std::tuple<long long, long long> CreationKey(const std::filesystem::path& file) {
  const std::string stem = file.stem().string();
  const auto underscore = stem.find('_');
  if (underscore == std::string::npos) return {std::stoll(stem), 0};
  return {std::stoll(stem.substr(0, underscore)), std::stoll(stem.substr(underscore + 1))};
}

}  // namespace

std::filesystem::path OnlyProgramFolder(const std::filesystem::path& data, const std::string& logName) {
  std::vector<std::filesystem::path> folders;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(data / "trvo" / "logs" / logName, ec)) {
    if (entry.is_directory()) folders.push_back(entry.path());
  }
  return folders.size() == 1 ? folders.front() : std::filesystem::path();
}

std::vector<std::filesystem::path> LogFilesInOrder(const std::filesystem::path& folder) {
  auto files = veska_test::FilesIn(folder);
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return CreationKey(a) < CreationKey(b); });
  return files;
}

std::vector<std::string> AllLines(const std::filesystem::path& folder) {
  std::vector<std::string> lines;
  for (const auto& file : LogFilesInOrder(folder)) {
    for (auto& line : veska_test::SplitLines(veska_test::ReadFile(file))) lines.push_back(std::move(line));
  }
  return lines;
}

std::string MessageOf(const std::string& line) {
  std::size_t at = 0;
  for (int bar = 0; bar < 5; ++bar) {
    at = line.find('|', at);
    if (at == std::string::npos) return {};
    ++at;
  }
  return line.substr(at);
}

}  // namespace launcher_log_test
