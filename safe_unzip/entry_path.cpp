#include "safe_unzip/entry_path.h"

#include <cctype>

namespace safe_unzip {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsDriveLetter(std::string_view part) {
  return part.size() >= 2 && part[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(part[0])) != 0;
}

}  // namespace

std::optional<std::filesystem::path> SafeRelativeEntryPath(std::string_view entry_name) {
  if (entry_name.empty() || IsSeparator(entry_name.front())) return std::nullopt;
  if (entry_name.find('\0') != std::string_view::npos) return std::nullopt;

  std::filesystem::path relative;
  bool first = true;
  std::string_view rest = entry_name;
  while (!rest.empty()) {
    std::size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view part = rest.substr(0, end);
    rest.remove_prefix(end < rest.size() ? end + 1 : end);

    if (first && IsDriveLetter(part)) return std::nullopt;
    first = false;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    relative /= std::string(part);
  }
  if (relative.empty()) return std::nullopt;
  return relative;
}

}  // namespace safe_unzip
