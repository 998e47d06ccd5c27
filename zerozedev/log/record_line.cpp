#include "zerozedev/log/record_line.h"

#include <cstdio>

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* NameAt(const char* const* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : "???";
}

}  // namespace

std::string CtimeText(const std::tm& localTime) {
  // Same layout as asctime, with English names whatever the locale says.
  char text[64] = {};
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d",
                NameAt(kWeekdays, 7, localTime.tm_wday), NameAt(kMonths, 12, localTime.tm_mon),
                localTime.tm_mday, localTime.tm_hour, localTime.tm_min, localTime.tm_sec,
                localTime.tm_year + 1900);
  return text;
}

std::string_view SourceFileName(std::string_view sourcePath) {
  const auto slash = sourcePath.rfind('\\');
  return slash == std::string_view::npos ? sourcePath : sourcePath.substr(slash + 1);
}

std::string RecordLine(std::string_view ctimeText, int level, std::string_view sourceFile, int line,
                       std::string_view function, std::string_view message) {
  const std::string levelText = std::to_string(level);
  const std::string lineText = std::to_string(line);
  std::string record;
  record.reserve(ctimeText.size() + levelText.size() + sourceFile.size() + lineText.size() +
                 function.size() + message.size() + 8);
  record.append(ctimeText).append(" |").append(levelText);
  record.append("|").append(sourceFile);
  record.append("|").append(lineText);
  record.append("|").append(function);
  record.append("|").append(message);
  record.append("\n");
  return record;
}
