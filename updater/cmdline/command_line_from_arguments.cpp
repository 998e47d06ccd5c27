#include "updater/cmdline/command_line_from_arguments.h"

#include "platform/text.h"

namespace {

std::string QuotedValue(const std::string& argument) {
  const auto separator = argument.find('=');
  if (separator == std::string::npos) return argument;
  const std::string_view value = std::string_view(argument).substr(separator + 1);
  if (value.find(' ') == std::string_view::npos || value.starts_with('"')) return argument;
  return argument.substr(0, separator + 1) + "\"" + std::string(value) + "\"";
}

}  // namespace

std::u16string CommandLineFromArguments(const std::vector<std::string>& arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) text += ' ';
    text += QuotedValue(arguments[i]);
  }
  return platform::Utf8ToUtf16(text);
}
