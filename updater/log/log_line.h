#pragma once
// One updater log line: "time|level|source|line|function|message" and a newline.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace updater {

inline constexpr std::size_t kMaxLogMessageBytes = 1023;

// The printf-style message with its control characters escaped ("\n" ...),
// cut to at most kMaxLogMessageBytes. A cut never leaves the first bytes of a
// UTF-8 character behind. A null format gives "".
std::string FormatLogMessage(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// The part of `sourcePath` after its last backslash (all of it when there is none).
std::string_view LogSourceName(std::string_view sourcePath);

std::string LogLine(std::string_view timeText, int level, std::string_view sourceName, int line,
                    std::string_view function, std::string_view message);

}  // namespace updater
