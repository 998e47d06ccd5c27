#include "updater/log/log_line.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

namespace updater {
namespace {

// Length of `text` without a trailing UTF-8 sequence that was cut short.
std::size_t WithoutCutCharacter(std::string_view text) {
  std::size_t start = text.size();
  int continuation_bytes = 0;
  while (start > 0 && continuation_bytes < 3 &&
         (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
    --start;
    ++continuation_bytes;
  }
  if (start == 0) return text.size();
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  if (lead < 0xC0) return text.size();
  const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  const std::size_t present = text.size() - (start - 1);
  return present < needed ? start - 1 : text.size();
}

}  // namespace

std::string FormatLogMessage(const char* format, va_list args) {
  if (format == nullptr) return {};
  char buffer[kMaxLogMessageBytes + 1];
  const int wanted = std::vsnprintf(buffer, sizeof buffer, format, args);
  if (wanted < 0) return {};
  const std::string_view written(buffer, std::min<std::size_t>(wanted, kMaxLogMessageBytes));
  // Arguments carry server and command-line text: escaped here, once for
  // every caller, so none can start a line of its own.
  std::string message = platform::EscapeControlCharacters(written);
  if (static_cast<std::size_t>(wanted) <= kMaxLogMessageBytes && message.size() <= kMaxLogMessageBytes) {
    return message;
  }
  message.resize(std::min(message.size(), kMaxLogMessageBytes));
  message.resize(WithoutCutCharacter(message));
  return message;
}

std::string_view LogSourceName(std::string_view sourcePath) {
  const auto backslash = sourcePath.rfind('\\');
  return backslash == std::string_view::npos ? sourcePath : sourcePath.substr(backslash + 1);
}

std::string LogLine(std::string_view timeText, int level, std::string_view sourceName, int line,
                    std::string_view function, std::string_view message) {
  std::string text;
  text.reserve(timeText.size() + sourceName.size() + function.size() + message.size() + 32);
  text.append(timeText).append("|").append(std::to_string(level)).append("|");
  text.append(sourceName).append("|").append(std::to_string(line)).append("|");
  text.append(function).append("|").append(message).append("\n");
  return text;
}

}  // namespace updater
