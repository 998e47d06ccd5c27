#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "support/digit_pattern.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "updater/cmdline/parse_zip_conf.h"
#include "updater/cmdline/update_folders.h"
#include "updater/log/updater_log.h"

namespace {

constexpr char kProgram[] = "/A/B/temp/Updater.exe";

ZipConf ConfOf(const char16_t* commandLine, std::string_view programPath = kProgram) {
  return ZipConfFrom(CCmdLineParser(commandLine), programPath);
}

TEST(ZipConfFrom, AddressDigestHostAndPath) {
  const struct {
    const char16_t* commandLine;
    const char* zipUrl;
    const char* zipMd5;
    const char* host;
    const char* urlPath;
  } cases[] = {
      {u"-url=http://h/p/u.zip -md5=ABC", "http://h/p/u.zip?ABC", "ABC", "h", "/p/u.zip"},
      {u"", "?", "", "", ""},
      {u"-md5=ABC", "?ABC", "ABC", "", ""},
      {u"-URL=http://Host/U.zip", "http://Host/U.zip?", "", "Host", "/U.zip"},
      {u"-url=http://first/a -url=http://second/b", "http://first/a?", "", "first", "/a"},
      {u"-url=https://h/p/u.zip", "https://h/p/u.zip?", "", "https:", "//h/p/u.zip"},
      {u"-url=HTTP://h/p", "HTTP://h/p?", "", "HTTP:", "//h/p"},
      {u"-url=http://hostonly", "http://hostonly?", "", "", "hostonly"},
      {u"-url=http:// -md5=M", "http://?M", "M", "", ""},
      {u"-force -url=http://h/p", "?", "", "", ""},  // url swallowed into another key
  };
  for (const auto& c : cases) {
    const ZipConf conf = ConfOf(c.commandLine);
    SCOPED_TRACE(c.zipUrl);
    EXPECT_EQ(conf.zipUrl, c.zipUrl);
    EXPECT_EQ(conf.zipMd5, c.zipMd5);
    EXPECT_EQ(conf.host, c.host);
    EXPECT_EQ(conf.urlPath, c.urlPath);
    EXPECT_TRUE(conf.launchAfterInstall);
  }
}

TEST(ZipConfFrom, TextParametersAsGiven) {
  const ZipConf conf = ConfOf(
      u"-newver=8.7.0 -prompt=\"\u4fee\u590d one*added two\" -pagecallparam=veska://room?id=1");
  EXPECT_EQ(conf.newVersion, "8.7.0");
  EXPECT_EQ(conf.prompt, "\xe4\xbf\xae\xe5\xa4\x8d one*added two");
  EXPECT_EQ(conf.pageCallParam, "veska://room?id=1");

  const ZipConf empty = ConfOf(u"-url=http://h/u.zip");
  EXPECT_EQ(empty.newVersion, "");
  EXPECT_EQ(empty.prompt, "");
  EXPECT_EQ(empty.pageCallParam, "");
  EXPECT_EQ(empty.forcedUpdate, 0);
}

TEST(LeadingDecimal, ReadsLeadingDigitsOfTheForcedUpdateValue) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    std::u16string text;
    std::int32_t expected;
  } cases[] = {
      {u"1", 1},         {u"1x", 1},        {u"word", 0},         {u"-1", -1},
      {u"", 0},          {u"2", 2},         {u" \t 3", 3},        {u"+4", 4},
      {u"- 5", 0},       {u"0x10", 0},      {u"2147483647", kMax}, {u"99999999999", kMax},
      {u"-2147483648", kMin}, {u"-99999999999", kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingDecimal(c.text), c.expected);
    const std::u16string commandLine = u"-forcedupdate=\"" + c.text + u"\"";
    EXPECT_EQ(ConfOf(commandLine.c_str()).forcedUpdate, c.expected);
  }
}

TEST(UpdateFolders, ProgramApplicationAndInstallationFolders) {
  const struct {
    const char* programPath;
    UpdateFolders expected;
  } cases[] = {
      {"/A/B/temp/Updater.exe", {"/A/B/temp/", "/A/B/", "/A/"}},
      {"/B/temp/Updater.exe", {"/B/temp/", "/B/", "/"}},
      {"/temp/Updater.exe", {"/temp/", "/", ""}},
      {"/Updater.exe", {"/", "", ""}},
      {"Updater.exe", {"", "", ""}},
      {"", {"", "", ""}},
  };
  for (const auto& c : cases) {
    const UpdateFolders folders = UpdateFoldersOf(c.programPath);
    SCOPED_TRACE(c.programPath);
    EXPECT_EQ(folders.programFolder, c.expected.programFolder);
    EXPECT_EQ(folders.applicationFolder, c.expected.applicationFolder);
    EXPECT_EQ(folders.installRoot, c.expected.installRoot);
  }
}

TEST(ZipConfFrom, PackageLauncherAndInstallationPaths) {
  const ZipConf conf = ConfOf(u"-url=http://h/u.zip");
  EXPECT_EQ(conf.zipPath, "/A/B/temp/update.zip");
  EXPECT_EQ(conf.launcherPath, "/A/B/VESKALaunch.exe");
  EXPECT_EQ(conf.installRoot, "/A/");

  // Unknown folders never turn into names relative to the current directory.
  const ZipConf shallow = ConfOf(u"-url=http://h/u.zip", "/Updater.exe");
  EXPECT_EQ(shallow.zipPath, "/update.zip");
  EXPECT_EQ(shallow.launcherPath, "");
  EXPECT_EQ(shallow.installRoot, "");
  const ZipConf noFolder = ConfOf(u"-url=http://h/u.zip", "");
  EXPECT_EQ(noFolder.zipPath, "");
  EXPECT_EQ(noFolder.launcherPath, "");
}

TEST(ParseZipConf, OpensTheLogWritesTheRawValuesAndUsesTheOwnFolder) {
  veska_test::TempDir data;
  veska_test::ScopedEnv dataHome("XDG_DATA_HOME", data.str());

  const ZipConf conf = parseZipConf(
      u"-URL=http://h/p/u.zip -md5=ABC -pagecallparam=x -forcedupdate=1x -newver=9");
  EXPECT_EQ(conf.zipUrl, "http://h/p/u.zip?ABC");
  EXPECT_EQ(conf.forcedUpdate, 1);
  EXPECT_EQ(conf.zipPath, *platform::OwnExecutableFolder() + "/update.zip");

  // The log now writes level 0 and below only.
  UpdaterLog::Instance().Write(1, "T", 1, "F", "level one");
  UpdaterLog::Instance().Write(0, "T", 1, "F", "level zero");
  const auto folder = data.path() / "trvo" / "logs" / "Updater" / "updater_cmdline_test";
  std::string text;
  ASSERT_TRUE(veska_test::WaitUntil([&] {
    const auto files = veska_test::FilesIn(folder);
    text = files.size() == 1 ? veska_test::ReadFile(files[0]) : "";
    return text.find("level zero") != std::string::npos;
  }));
  const std::string fileName = veska_test::FilesIn(folder)[0].filename();
  EXPECT_TRUE(fileName.starts_with("qelUpdater_") && fileName.ends_with(".log")) << fileName;
  const auto lines = veska_test::SplitLines(text);
  ASSERT_EQ(lines.size(), 3u) << text;
  ASSERT_GE(lines[0].size(), 19u);
  EXPECT_TRUE(veska_test::MatchesDigitPattern(lines[0].substr(0, 19), "## ## #### ##:##:##")) << lines[0];
  EXPECT_EQ(lines[0].substr(19),
            "|0|UpdaterApp|59|parseZipConf|"
            "ZipUrl : http://h/p/u.zip zipMd5 : ABC pageCallParam : x forcedupdate : 1x");
  EXPECT_EQ(lines[1], "");
  EXPECT_TRUE(lines[2].ends_with("|0|T|1|F|level zero")) << lines[2];
}

}  // namespace
