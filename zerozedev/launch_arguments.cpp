#include "zerozedev/launch_arguments.h"

#include "platform/text.h"
#include "zerozedev/launcher_constants.h"

namespace zerozedev {

std::u16string CommandLineFromArgv(const std::vector<std::string>& args) {
  std::string joined;
  for (const auto& arg : args) {
    if (!joined.empty()) joined += ' ';
    joined += arg;
  }
  return platform::Utf8ToUtf16(joined);
}

std::optional<size_t> FindUrlPrefix(const std::u16string& command_line) {
  const size_t at = command_line.find(kUrlPrefix);
  if (at == std::u16string::npos) return std::nullopt;
  return at;
}

std::u16string LaunchArgumentText(const std::u16string& command_line) {
  const auto at = FindUrlPrefix(command_line);
  if (!at) return command_line;
  return command_line.substr(*at + kUrlPrefix.size());
}

}  // namespace zerozedev
