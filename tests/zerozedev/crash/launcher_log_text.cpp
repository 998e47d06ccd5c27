#include "launcher_log_text.h"

#include <algorithm>

#include "support/files.h"
#include "support/wait.h"

namespace crash_test {

std::vector<std::string> LogMessages(const std::filesystem::path& data_home) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(data_home / "trvo" / "logs", ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> messages;
  for (const auto& file : files) {
    for (const std::string& line : veska_test::SplitLines(veska_test::ReadFile(file))) {
      std::size_t at = std::string::npos;
      int bars = 0;
      for (std::size_t i = 0; i < line.size() && at == std::string::npos; ++i) {
        if (line[i] == '|' && ++bars == 5) at = i;
      }
      if (at != std::string::npos) messages.push_back(line.substr(at + 1));
    }
  }
  return messages;
}

bool HasLogMessage(const std::filesystem::path& data_home, const std::string& message) {
  const auto messages = LogMessages(data_home);
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

bool WaitForLogMessage(const std::filesystem::path& data_home, const std::string& message) {
  return veska_test::WaitUntil([&] { return HasLogMessage(data_home, message); });
}

}  // namespace crash_test
