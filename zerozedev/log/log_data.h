#pragma once
// The record of one stream-style message: its text in a fixed buffer, and
// where and when it was made.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <ostream>
#include <string_view>

#include "zerozedev/log/fixed_streambuf.h"

namespace cpplog {

enum LogLevel : int { kTrace = 0, kDebug = 1, kInfo = 2, kWarn = 3, kError = 4, kFatal = 5 };

// Seconds since 1970 broken down in UTC.
std::tm UtcTime(std::int64_t unixSeconds);

class LogData {
 public:
  static constexpr std::size_t kBufferSize = 20000;

  LogData(int level, const char* fullPath, unsigned line, std::int64_t created);
  virtual ~LogData() = default;
  LogData(const LogData&) = delete;
  LogData& operator=(const LogData&) = delete;

  std::string_view text() const { return streambuf.written(); }
  // Makes the text end with one newline: appended unless it ends with one
  // already; when the buffer is full its last byte becomes the newline.
  void EndLine();
  // Turns control characters after the prefix into escapes ("\n" ...), all but
  // a final newline, so that inserted text cannot start a line of its own.
  // Text that no longer fits the buffer is cut.
  void EscapeControlCharacters();

  char buffer[kBufferSize];
  helpers::fixed_streambuf streambuf;
  std::ostream stream;
  int prefixLength = 0;
  int level;
  const char* fullPath;
  const char* fileName;  // after the last slash, or the last backslash when there is no slash
  unsigned line;
  std::int64_t created;
  std::tm createdUtc;
};

}  // namespace cpplog
