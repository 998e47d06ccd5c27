#include "zerozedev/crash/crash_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/text.h"

namespace google_breakpad {
namespace {

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

TEST(CrashNamesTest, CrashNameFollowsTheLogName) {
  struct Case {
    std::u16string log_name;
    std::optional<std::u16string> crash_name;
  };
  const Case cases[] = {
      {u"qelLog_1.log", u"qelCrash_1.dmp"},
      // The first "log" after the replacement is the one in ".log".
      {u"qelLog\\a.log", u"qelCrash\\a.dmp"},
      // Only the first of each is replaced, wherever it stands.
      {u"qelLog_qelLog.log.log", u"qelCrash_qelLog.dmp.log"},
      {u"logs/qelLog_2.log", u"dmps/qelCrash_2.log"},
      {u"qelLog_\u65e5\u5fd7.log", u"qelCrash_\u65e5\u5fd7.dmp"},
      // No "qelLog", or no "log" once it is gone: nothing to pack.
      {u"client.log", std::nullopt},
      {u"QELLOG_1.log", std::nullopt},
      {u"qelLog_1.txt", std::nullopt},
      {u"qelLog", std::nullopt},
      {u"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CrashNameFor(c.log_name), c.crash_name) << Utf8(c.log_name);
  }
}

TEST(CrashNamesTest, OnlyNamesThatStayInTheFolderAreAccepted) {
  struct Case {
    std::u16string name;
    bool inside;
  };
  const Case cases[] = {
      {u"qelLog_1.log", true},
      {u"logs/qelLog_1.log", true},
      {u"qelLog\\a.log", true},
      {u"qelLog..1.log", true},
      {u"./qelLog_1.log", true},
      {u"a/../qelLog_1.log", false},  // stays inside, but refused all the same
      {u"../qelLog_1.log", false},
      {u"logs/../../qelLog_1.log", false},
      {u"..\\qelLog_1.log", false},
      {u"logs\\..\\..\\qelLog_1.log", false},
      {u"qelLog_1.log/..", false},
      {u"..", false},
      {u"/tmp/qelLog_1.log", false},
      {u"\\qelLog_1.log", false},
      {u"C:qelLog_1.log", false},
      {u"c:\\qelLog_1.log", false},
      {u"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StaysInsideFolder(c.name), c.inside) << Utf8(c.name);
  }
}

TEST(CrashNamesTest, FolderIsTheTextBeforeTheLastSlash) {
  EXPECT_EQ(FolderOf(u"/data/trvo/crash/1234.dmp"), u"/data/trvo/crash");
  EXPECT_EQ(FolderOf(u"/1234.dmp"), u"");
  EXPECT_EQ(FolderOf(u"1234.dmp"), u"1234.dmp");
  EXPECT_EQ(JoinPath(u"/data/crash", u"qelCrash\\a.dmp"), u"/data/crash/qelCrash\\a.dmp");
}

TEST(CrashNamesTest, PackageNameHasNoLeadingZeros) {
  EXPECT_EQ(PackageFileName({2023, 3, 5, 9, 7, 5}), u"202335975.zip");
  EXPECT_EQ(PackageFileName({2023, 12, 31, 23, 59, 59}), u"20231231235959.zip");
  EXPECT_EQ(PackageFileName({2024, 1, 1, 0, 0, 0}), u"202411000.zip");
}

}  // namespace
}  // namespace google_breakpad
