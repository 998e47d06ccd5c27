#pragma once
// HTTP dates as InternetTimeToSystemTimeW reads them, and FILETIME values.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt {

struct UtcTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The three forms HTTP allows, names without regard to case:
//   "Sun, 06 Nov 1994 08:49:37 GMT"    (RFC 1123)
//   "Sunday, 06-Nov-94 08:49:37 GMT"   (RFC 850; 00-49 is 20xx, 50-99 19xx)
//   "Sun Nov  6 08:49:37 1994"         (asctime)
// The zone, when written, must be GMT, UTC, UT or Z; the weekday is not
// checked against the date. Nothing for any other text.
std::optional<UtcTime> ParseHttpDate(std::u16string_view text);

// 100-nanosecond intervals since 1 January 1601 (UTC); nothing before then.
std::optional<std::uint64_t> FileTimeOf(const UtcTime& time);

}  // namespace kvt
