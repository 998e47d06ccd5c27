// DoInstall in this process with the real components beside a scratch
// updater: where the package goes, the registration, the launcher's start,
// the installation that cannot be done, and a client that will not stop.
// Windows are answered by automation.

#include "updater/install/zip_downloader.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sys/stat.h>

#include "safe_unzip/zip_fixture.h"
#include "support/fast_clock.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "updater/cmdline/parse_zip_conf.h"
#include "updater_log_capture.h"
#include "windows_answered.h"

namespace {

namespace fs = std::filesystem;
using veska_test::ScopedEnv;

// Records the arguments it was started with, one per line.
constexpr char kRecordingProgram[] = "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$0.args\"\n";

class DoInstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { install_test::AnswerWindowsWithoutADisplay(); }

  void SetUp() override {
    fs::create_directories(temp_);
    fs::copy_file(VESKA_ARCHIVE_COMPONENT, temp_ / "zlib.dll");
    fs::copy_file(VESKA_INSTALLER_COMPONENT, temp_ / "InstallQelApp.dll");
    veska_test::WriteFile(app_ / "VESKALaunch.exe", kRecordingProgram);
    fs::permissions(app_ / "VESKALaunch.exe", fs::perms::owner_all);
    veska_test::WriteZip(temp_ / "update.zip", {{"readme.txt", "new readme"},
                                                {"bin/", ""},
                                                {"bin/tool.sh", "#!/bin/sh\n", 0100755}});
    veska_test::WriteFile(app_ / "readme.txt", "old readme");
    // A page opener that notes what it was asked to open.
    veska_test::WriteFile(opener_ / "xdg-open", "#!/bin/sh\necho \"$1\" >> \"$0.opened\"\n");
    fs::permissions(opener_ / "xdg-open", fs::perms::owner_all);
  }

  // The record an updater at app/temp/Updater.exe makes of these switches.
  static ZipConf ConfFor(const fs::path& app, const std::u16string& switches) {
    CCmdLineParser parser(switches.c_str());
    return ZipConfFrom(parser, (app / "temp/Updater.exe").string());
  }
  ZipConf Conf(int forced) const {
    return ConfFor(app_, u"-url=http://127.0.0.1:9/update.zip -md5=0 -forcedupdate=" +
                             std::u16string(1, static_cast<char16_t>(u'0' + forced)) +
                             u" -pagecallparam=\"abc veska://room?id=1\"");
  }
  std::string Launched() const {
    const fs::path args = app_ / "VESKALaunch.exe.args";
    return veska_test::WaitUntil([&] { return fs::exists(args) && !veska_test::ReadFile(args).empty(); })
               ? veska_test::ReadFile(args)
               : "(not started)";
  }
  std::string Registrations() const {
    const fs::path record = data_ / "trvo/installer_registrations.txt";
    return fs::exists(record) ? veska_test::ReadFile(record) : "";
  }
  std::string Opened() const {
    const fs::path record = opener_ / "xdg-open.opened";
    return fs::exists(record) ? veska_test::ReadFile(record) : "";
  }

  download_test::LogWindow log_;
  veska_test::TempDir root_;
  fs::path app_ = root_ / "app";
  fs::path temp_ = root_ / "app/temp";
  fs::path data_ = root_ / "data";
  veska_test::TempDir opener_;
  ScopedEnv data_env_{"XDG_DATA_HOME", data_.string()};
  ScopedEnv path_env_{"PATH", opener_.str() + ":" + getenv("PATH")};
};

TEST_F(DoInstallTest, AForcedUpdateGoesIntoTheLaunchersFolderThenRegistersAndStartsTheLauncher) {
  const ZipConf conf = Conf(1);
  ASSERT_EQ(conf.installRoot, root_.str() + "/");
  ZipDownloader job(conf);
  job.DoInstall();

  // Where the launcher itself would have unpacked it, not in the folder above.
  EXPECT_EQ(veska_test::ReadFile(app_ / "readme.txt"), "new readme");
  struct stat info {};
  ASSERT_EQ(stat((app_ / "bin/tool.sh").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u);
  EXPECT_FALSE(fs::exists(root_ / "readme.txt"));
  EXPECT_FALSE(fs::exists(root_ / "bin"));
  // The package stays: the launcher's next start clears it away.
  EXPECT_TRUE(fs::exists(temp_ / "update.zip"));

  EXPECT_NE(Registrations().find(" registered " + (temp_ / "InstallQelApp.dll").string()), std::string::npos)
      << Registrations();
  EXPECT_EQ(Launched(), "abc\nveska://room?id=1\n");
  EXPECT_TRUE(log_.WaitFor("install success"));
  EXPECT_EQ(log_.Count("Wfe is running"), 0);
}

TEST_F(DoInstallTest, ANotForcedUpdateUnpacksNothingButStillRegistersAndLaunches) {
  ZipDownloader job(Conf(0));
  job.DoInstall();
  EXPECT_EQ(veska_test::ReadFile(app_ / "readme.txt"), "old readme");
  EXPECT_FALSE(fs::exists(app_ / "bin"));
  EXPECT_NE(Registrations().find(" registered "), std::string::npos);
  EXPECT_EQ(Launched(), "abc\nveska://room?id=1\n");
  EXPECT_TRUE(log_.WaitFor("install success"));
}

// The archive component is gone: every try fails for a minute (fast here),
// then the user is told and offered the download page; the installer
// component and the launcher still follow.
TEST_F(DoInstallTest, AnInstallationThatCannotBeDoneForAMinuteIsReported) {
  fs::remove(temp_ / "zlib.dll");
  veska_test::FastClock clock(100);
  ZipDownloader job(Conf(1));
  job.DoInstall();
  EXPECT_EQ(veska_test::ReadFile(app_ / "readme.txt"), "old readme");
  EXPECT_TRUE(log_.WaitFor("update install failed , zipName: " + (temp_ / "update.zip").string() +
                           " , folder : " + app_.string() + "/ "));
  EXPECT_EQ(log_.Count("install success"), 0);
  // Tries 2.5 s apart (the pause before each, the wait after) until a
  // minute has passed; the real time they take counts too, so fewer fit.
  EXPECT_GE(log_.Count("extraction failed"), 2);
  EXPECT_LE(log_.Count("extraction failed"), 25);
  EXPECT_GE(clock.NowMs(), 60000u);
  EXPECT_TRUE(veska_test::WaitUntil([&] { return !Opened().empty(); }));
  EXPECT_EQ(Opened(), "https://www.veska.example/download\n");
  EXPECT_NE(Registrations().find(" registered "), std::string::npos);
  EXPECT_EQ(Launched(), "abc\nveska://room?id=1\n");
}

}  // namespace
