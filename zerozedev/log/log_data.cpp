#include "zerozedev/log/log_data.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/text.h"

namespace cpplog {
namespace {

const char* FileNameOf(const char* path) {
  if (!path) return "";
  const char* cut = std::strrchr(path, '/');
  if (!cut) cut = std::strrchr(path, '\\');
  return cut ? cut + 1 : path;
}

}  // namespace

std::tm UtcTime(std::int64_t unixSeconds) {
  using namespace std::chrono;
  const sys_seconds time{seconds{unixSeconds}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  std::tm utc{};
  utc.tm_year = static_cast<int>(date.year()) - 1900;
  utc.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  utc.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  utc.tm_hour = static_cast<int>(clock.hours().count());
  utc.tm_min = static_cast<int>(clock.minutes().count());
  utc.tm_sec = static_cast<int>(clock.seconds().count());
  utc.tm_wday = static_cast<int>(weekday{day}.c_encoding());
  utc.tm_yday = static_cast<int>((day - sys_days{date.year() / January / 1}).count());
  return utc;
}

LogData::LogData(int level, const char* fullPath, unsigned line, std::int64_t created)
    : streambuf(buffer, kBufferSize),
      stream(&streambuf),
      level(level),
      fullPath(fullPath),
      fileName(FileNameOf(fullPath)),
      line(line),
      created(created),
      createdUtc(UtcTime(created)) {}

void LogData::EndLine() {
  if (streambuf.full()) {
    streambuf.replace_last('\n');
    return;
  }
  const std::string_view written = text();
  if (written.empty() || written.back() != '\n') streambuf.sputc('\n');
}

void LogData::EscapeControlCharacters() {
  const std::string_view written = text();
  const auto prefix = std::min(static_cast<std::size_t>(std::max(prefixLength, 0)), written.size());
  const std::string_view body = written.substr(prefix);
  const std::string escaped = platform::EscapeControlCharacters(body);
  if (escaped.size() == body.size()) return;  // nothing to escape
  streambuf.truncate(prefix);
  streambuf.sputn(escaped.data(), static_cast<std::streamsize>(escaped.size()));
}

}  // namespace cpplog
