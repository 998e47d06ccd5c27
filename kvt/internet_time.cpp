// TimeStringToFileTime. The time is UTC and the FILETIME stays UTC: unlike
// the Windows library, which took it for local time and shifted it by the
// zone's offset.

#include "internet_time.h"

#include <array>
#include <string>
#include <vector>

#include "kvt.h"
#include "platform/text.h"

namespace kvt {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<std::string_view, 14> kWeekdays = {"mon", "tue", "wed", "thu", "fri", "sat", "sun",
                                                        "monday", "tuesday", "wednesday", "thursday",
                                                        "friday", "saturday", "sunday"};
constexpr std::array<std::string_view, 4> kUtcZones = {"gmt", "utc", "ut", "z"};
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::uint64_t kIntervalsPerSecond = 10000000;

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

template <std::size_t N>
int IndexIn(const std::array<std::string_view, N>& names, std::string_view word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == word) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::string current;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ',' || c == '-') {
      if (!current.empty()) tokens.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));
  return tokens;
}

// "hh:mm:ss"
bool ReadClock(std::string_view token, UtcTime& time) {
  if (token.size() < 7 || token.size() > 8) return false;
  const auto first = token.find(':');
  const auto second = token.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return false;
  const auto h = token.substr(0, first);
  const auto m = token.substr(first + 1, second - first - 1);
  const auto s = token.substr(second + 1);
  if (h.size() > 2 || m.size() != 2 || s.size() != 2 || !IsDigits(h) || !IsDigits(m) || !IsDigits(s)) return false;
  time.hour = Number(h);
  time.minute = Number(m);
  time.second = Number(s);
  return time.hour < 24 && time.minute < 60 && time.second < 60;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t DaysFromEpoch(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int year_of_era = y - era * 400;
  const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return std::int64_t{era} * 146097 + day_of_era - 719468;
}

}  // namespace

std::optional<UtcTime> ParseHttpDate(std::u16string_view text) {
  UtcTime time;
  bool has_clock = false;
  bool has_zone = false;
  std::vector<std::string_view> numbers;
  const std::string lower = platform::ToLowerUtf8(platform::Utf16ToUtf8(text));
  const auto tokens = Tokens(lower);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string_view token = tokens[i];
    if (IsDigits(token)) {
      numbers.push_back(token);
    } else if (const int month = IndexIn(kMonths, token); month >= 0 && time.month == 0) {
      time.month = month + 1;
    } else if (token.find(':') != std::string_view::npos && !has_clock) {
      if (!ReadClock(token, time)) return std::nullopt;
      has_clock = true;
    } else if (IndexIn(kWeekdays, token) >= 0 && i == 0) {
      continue;
    } else if (IndexIn(kUtcZones, token) >= 0 && !has_zone && i + 1 == tokens.size()) {
      has_zone = true;
    } else {
      return std::nullopt;
    }
  }
  if (!has_clock || time.month == 0 || numbers.size() != 2) return std::nullopt;
  const std::string_view day = numbers[0];
  const std::string_view year = numbers[1];
  if (day.size() > 2 || (year.size() != 2 && year.size() != 4)) return std::nullopt;
  time.day = Number(day);
  time.year = Number(year);
  if (year.size() == 2) time.year += time.year < 50 ? 2000 : 1900;
  if (time.day < 1 || time.day > DaysInMonth(time.year, time.month)) return std::nullopt;
  return time;
}

std::optional<std::uint64_t> FileTimeOf(const UtcTime& time) {
  const std::int64_t unix_seconds = DaysFromEpoch(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
                                    time.minute * 60 + time.second;
  const std::int64_t since_1601 = unix_seconds + kSecondsFrom1601To1970;
  if (since_1601 < 0) return std::nullopt;
  return static_cast<std::uint64_t>(since_1601) * kIntervalsPerSecond;
}

}  // namespace kvt

extern "C" bool TimeStringToFileTime(const char16_t* text, FILETIME* out) {
  if (text == nullptr || out == nullptr) return false;
  const auto time = kvt::ParseHttpDate(text);
  if (!time) return false;
  const auto file_time = kvt::FileTimeOf(*time);
  if (!file_time) return false;
  out->dwLowDateTime = static_cast<uint32_t>(*file_time);
  out->dwHighDateTime = static_cast<uint32_t>(*file_time >> 32);
  return true;
}
