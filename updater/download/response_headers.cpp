#include "updater/download/response_headers.h"

#include "platform/text.h"

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimmedStart(std::string_view text) {
  const auto start = text.find_first_not_of(kBlanks);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

}  // namespace

bool HasByteContentRange(std::string_view headerText) {
  constexpr std::string_view kName = "Content-Range";
  constexpr std::string_view kUnit = "bytes";
  while (!headerText.empty()) {
    const auto end = headerText.find('\n');
    std::string_view line = headerText.substr(0, end);
    headerText = end == std::string_view::npos ? std::string_view() : headerText.substr(end + 1);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || !platform::EqualsIgnoreAsciiCase(line.substr(0, colon), kName)) continue;
    const std::string_view value = TrimmedStart(line.substr(colon + 1));
    if (value.size() > kUnit.size() && platform::EqualsIgnoreAsciiCase(value.substr(0, kUnit.size()), kUnit) &&
        kBlanks.find(value[kUnit.size()]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}
