#include "zerozedev/crash/crash_names.h"

#include <string>

namespace google_breakpad {
namespace {

bool ReplaceFirst(std::u16string& text, std::u16string_view what, std::u16string_view with) {
  const auto at = text.find(what);
  if (at == std::u16string::npos) return false;
  text.replace(at, what.size(), with);
  return true;
}

bool IsSeparator(char16_t unit) { return unit == u'/' || unit == u'\\'; }

bool IsAsciiLetter(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

}  // namespace

std::optional<std::u16string> CrashNameFor(std::u16string_view log_name) {
  std::u16string name(log_name);
  if (!ReplaceFirst(name, u"qelLog", u"qelCrash")) return std::nullopt;
  if (!ReplaceFirst(name, u"log", u"dmp")) return std::nullopt;
  return name;
}

bool StaysInsideFolder(std::u16string_view name) {
  if (name.empty() || IsSeparator(name.front())) return false;
  if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == u':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == u"..") return false;
    start = end + 1;
  }
  return true;
}

std::u16string FolderOf(std::u16string_view path) {
  const auto slash = path.rfind(u'/');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(0, slash));
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  path += u'/';
  path += name;
  return path;
}

std::u16string PackageFileName(const CalendarTime& t) {
  std::u16string name;
  for (const int part : {t.year, t.month, t.day, t.hour, t.minute, t.second}) {
    for (const char digit : std::to_string(part)) name += static_cast<char16_t>(digit);
  }
  return name + u".zip";
}

}  // namespace google_breakpad
