#include "zerozedev/log/record_line.h"

#include <gtest/gtest.h>

namespace {

std::tm Time(int year, int month, int day, int weekday, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_wday = weekday;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

TEST(RecordLineTest, CtimeTextHas24CharactersWithASpacePaddedDay) {
  EXPECT_EQ(CtimeText(Time(2023, 3, 15, 3, 9, 5, 7)), "Wed Mar 15 09:05:07 2023");
  EXPECT_EQ(CtimeText(Time(2025, 1, 5, 0, 0, 0, 0)), "Sun Jan  5 00:00:00 2025");
  EXPECT_EQ(CtimeText(Time(1999, 12, 31, 5, 23, 59, 60)), "Fri Dec 31 23:59:60 1999");
}

TEST(RecordLineTest, SourceFieldIsTheTextAfterTheLastBackslash) {
  const struct {
    const char* path;
    const char* field;
  } cases[] = {
      {"zerozedev", "zerozedev"},
      {"a/b/c", "a/b/c"},
      {"D:\\build\\launcher\\cef_pipe_channel.cpp", "cef_pipe_channel.cpp"},
      {"src\\a/b", "a/b"},
      {"folder\\", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SourceFileName(c.path), c.field) << c.path;
}

TEST(RecordLineTest, FieldsAreJoinedByBarsAndEndWithANewline) {
  EXPECT_EQ(RecordLine("Wed Mar 15 09:05:07 2023", 4, "zerozedev", 645, "wWinMain", "Create cef pipe"),
            "Wed Mar 15 09:05:07 2023 |4|zerozedev|645|wWinMain|Create cef pipe\n");
  // Bars inside the fields are written as they are.
  EXPECT_EQ(RecordLine("T", -3, "", -1, "A::B", "x|y"), "T |-3||-1|A::B|x|y\n");
}

}  // namespace
