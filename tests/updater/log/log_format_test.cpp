#include <cstdarg>
#include <string>

#include <gtest/gtest.h>

#include "updater/log/log_folder.h"
#include "updater/log/log_line.h"
#include "updater/log/log_time.h"

namespace updater {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = FormatLogMessage(format, args);
  va_end(args);
  return message;
}

TEST(LogLine, FieldsJoinedByBarsAndEndedByNewline) {
  EXPECT_EQ(LogLine("03 16 2021 09:46:19", 0, "UpdaterApp", 59, "parseZipConf", "ZipUrl : x"),
            "03 16 2021 09:46:19|0|UpdaterApp|59|parseZipConf|ZipUrl : x\n");
  EXPECT_EQ(LogLine("03 16 2021 09:46:19", -2, "", 0, "", ""), "03 16 2021 09:46:19|-2||0||\n");
  // A message with its own newline leaves an empty line after it.
  EXPECT_EQ(LogLine("t", 0, "s", 1, "f", "done\n"), "t|0|s|1|f|done\n\n");
}

TEST(LogTimeText, MonthDayYearThen24HourTime) {
  std::tm march{};
  march.tm_year = 121, march.tm_mon = 2, march.tm_mday = 16;
  march.tm_hour = 9, march.tm_min = 46, march.tm_sec = 19;
  EXPECT_EQ(LogTimeText(march), "03 16 2021 09:46:19");

  std::tm lastSecond{};
  lastSecond.tm_year = 99, lastSecond.tm_mon = 11, lastSecond.tm_mday = 31;
  lastSecond.tm_hour = 23, lastSecond.tm_min = 59, lastSecond.tm_sec = 59;
  EXPECT_EQ(LogTimeText(lastSecond), "12 31 1999 23:59:59");
}

TEST(LogSourceName, TextAfterTheLastBackslash) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"CurlDownload", "CurlDownload"},
      {"d:\\work\\updater\\process_op.cpp", "process_op.cpp"},
      {"/work/updater/process_op.cpp", "/work/updater/process_op.cpp"},
      {"folder\\", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LogSourceName(c.path), c.expected) << c.path;
}

TEST(FormatLogMessage, CutsAt1023BytesWithoutSplittingACharacter) {
  const std::string a1022(1022, 'a');
  const std::string a1020(1020, 'a');
  const std::string han = "\xe4\xb8\xad";  // one three-byte character
  const struct {
    std::string argument;
    std::string expected;
  } cases[] = {
      {std::string(2000, 'x'), std::string(1023, 'x')},
      {std::string(1023, 'y'), std::string(1023, 'y')},
      {a1020 + han, a1020 + han},      // ends exactly at the limit: whole
      {a1022 + han, a1022},            // would keep one byte of the character
      {a1020 + "b" + han, a1020 + "b"},  // would keep two bytes of it
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Format("%s", c.argument.c_str()), c.expected) << c.argument.size();
  }
  EXPECT_EQ(Format("%d|%s", -7, "z"), "-7|z");
  // Control characters become escapes, and the limit counts the escaped text.
  EXPECT_EQ(Format("RedirectUrl: %s", "http://x/\n03 16 2021 09:46:19|0|forged\r\x01"),
            "RedirectUrl: http://x/\\n03 16 2021 09:46:19|0|forged\\r\\x01");
  EXPECT_EQ(Format("%s", (a1020 + "\n" + han).c_str()), a1020 + "\\n");
  EXPECT_EQ(Format(nullptr), "");
}

TEST(LogProgramName, FileNameCutBeforeTheLastDotExe) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/A/B/temp/Updater.exe", "Updater"},
      {"/opt/veska/updater_log_test", "updater_log_test"},
      {"/opt/veska/UPDATER.EXE", "UPDATER.EXE"},  // matched with its case
      {"/opt/veska/Updater.exe.exe", "Updater.exe"},
      {"/opt/veska/Updater.exe.bak", "Updater"},
      {"Updater.exe", "Updater"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogProgramName(c.path), c.expected) << c.path;
}

}  // namespace
}  // namespace updater
