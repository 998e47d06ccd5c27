#include "command_line_quote.h"

namespace kvt {

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote escape themselves, and the quote is escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::optional<std::string> QuoteProgram(const std::string& program) {
  if (program.empty() || program.find('"') != std::string::npos) return std::nullopt;
  return "\"" + program + "\"";
}

}  // namespace kvt
