#include "internet_time.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "kvt.h"
#include "support/scoped_env.h"

namespace kvt {
namespace {

std::optional<std::uint64_t> Convert(const std::u16string& text) {
  FILETIME out{0xAAAAAAAA, 0xAAAAAAAA};
  if (!TimeStringToFileTime(text.c_str(), &out)) {
    EXPECT_EQ(out.dwLowDateTime, 0xAAAAAAAAu) << "a failure leaves out as it was";
    return std::nullopt;
  }
  return (std::uint64_t{out.dwHighDateTime} << 32) | out.dwLowDateTime;
}

// 1994-11-06 08:49:37 UTC as a FILETIME.
constexpr std::uint64_t kNov6th1994 = (784111777ull + 11644473600ull) * 10000000ull;

TEST(TimeStringToFileTimeTest, TheThreeHttpFormsGiveOneUtcMoment) {
  for (const std::u16string text : {u"Sun, 06 Nov 1994 08:49:37 GMT", u"Sunday, 06-Nov-94 08:49:37 GMT",
                                     u"Sun Nov  6 08:49:37 1994", u"sun, 6 nov 1994 08:49:37 utc",
                                     u"Sun, 06 Nov 1994 8:49:37 GMT", u"06 Nov 1994 08:49:37"}) {
    EXPECT_EQ(Convert(text), kNov6th1994) << std::string(text.begin(), text.end());
  }
}

TEST(TimeStringToFileTimeTest, TheResultIsUtcWhateverTheLocalZone) {
  for (const char* zone : {"UTC", "Asia/Shanghai", "America/New_York"}) {
    veska_test::ScopedEnv tz("TZ", zone);
    tzset();
    EXPECT_EQ(Convert(u"Sun, 06 Nov 1994 08:49:37 GMT"), kNov6th1994) << zone;
  }
  tzset();
}

TEST(TimeStringToFileTimeTest, EdgesOfTheCalendar) {
  struct Case {
    std::u16string text;
    std::optional<std::uint64_t> seconds_since_1601;
  };
  for (const auto& c : std::vector<Case>{
           {u"Mon, 01 Jan 1601 00:00:00 GMT", 0},
           {u"Thu, 01 Jan 1970 00:00:00 GMT", 11644473600ull},
           {u"Tue, 29 Feb 2000 23:59:59 GMT", 11644473600ull + 951868799ull},
           {u"Wednesday, 01-Jan-49 00:00:00 GMT", 11644473600ull + 2493072000ull},
           {u"Friday, 01-Jan-50 00:00:00 GMT", 11644473600ull - 631152000ull},
           {u"Sun, 31 Dec 1600 23:59:59 GMT", std::nullopt},
           {u"Thu, 29 Feb 2001 00:00:00 GMT", std::nullopt},
           {u"Sun, 31 Nov 1994 08:49:37 GMT", std::nullopt},
           {u"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
           {u"Sun, 06 Nov 1994 08:60:00 GMT", std::nullopt},
           {u"Sun, 06 Foo 1994 08:49:37 GMT", std::nullopt},
           {u"Sun, 06 Nov 1994 08:49:37 +0800", std::nullopt},
           {u"Sun, 06 Nov 1994 08:49:37 CET", std::nullopt},
           {u"Sun, 06 Nov 1994", std::nullopt},
           {u"Sun, 06 Nov 199 08:49:37 GMT", std::nullopt},
           {u"Sun, 06 Nov 1994 08:49:37 GMT trailing", std::nullopt},
           {u"", std::nullopt},
       }) {
    const auto got = Convert(c.text);
    const auto expected = c.seconds_since_1601 ? std::optional<std::uint64_t>(*c.seconds_since_1601 * 10000000ull)
                                               : std::nullopt;
    EXPECT_EQ(got, expected) << std::string(c.text.begin(), c.text.end());
  }
  FILETIME out{};
  EXPECT_FALSE(TimeStringToFileTime(nullptr, &out));
  EXPECT_FALSE(TimeStringToFileTime(u"Sun, 06 Nov 1994 08:49:37 GMT", nullptr));
}

}  // namespace
}  // namespace kvt
