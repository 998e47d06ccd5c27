#include "command_line_quote.h"

#include "platform/shell_open.h"

namespace kvt {

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  return platform::QuoteCommandLineArgument(argument);
}

std::optional<std::string> QuoteProgram(const std::string& program) {
  if (program.empty() || program.find('"') != std::string::npos) return std::nullopt;
  return "\"" + program + "\"";
}

}  // namespace kvt
