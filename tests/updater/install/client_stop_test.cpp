// DoInstall's wait for the client to go, against real processes named
// "veska.exe" (so SERIAL): one that is stopped, one that cannot be.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fast_clock.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "updater/cmdline/parse_zip_conf.h"
#include "updater/install/zip_downloader.h"
#include "updater_log_capture.h"
#include "windows_answered.h"

namespace {

namespace fs = std::filesystem;

class ClientStopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { install_test::AnswerWindowsWithoutADisplay(); }
  // Not forced and with no launcher: only the client stop matters here.
  ZipConf Conf() const {
    CCmdLineParser parser(u"-url=http://127.0.0.1:9/u.zip -md5=0 -forcedupdate=0");
    ZipConf conf = ZipConfFrom(parser, (root_ / "app/temp/Updater.exe").string());
    conf.launchAfterInstall = false;
    return conf;
  }

  download_test::LogWindow log_;
  veska_test::TempDir root_;
  veska_test::TempDir programs_;
};

TEST_F(ClientStopTest, ARunningClientIsStoppedBeforeTheInstallation) {
  veska_test::ChildProcess client = veska_test::StartSleeperAs(programs_.path(), "veska.exe");
  ZipDownloader job(Conf());
  job.DoInstall();
  EXPECT_EQ(client.WaitExit(std::chrono::seconds(5)), 128 + 9);
  EXPECT_TRUE(log_.WaitFor("install success"));
  EXPECT_EQ(log_.Count("Wfe is running"), 1);
}

// A client that keeps running holds the installation for 20 s at most (fast
// here), then the installation goes on over it.
TEST_F(ClientStopTest, AClientThatCannotBeStoppedHoldsTheInstallationOnlySoLong) {
  veska_test::ChildProcess client = veska_test::StartSleeperAs(programs_.path(), "veska.exe");
  veska_test::FastClock clock(100);
  ZipDownloader job(Conf());
  int attempts = 0;
  job.killClientAndWait = [&] {
    ++attempts;
    return false;
  };
  job.DoInstall();
  EXPECT_TRUE(log_.WaitFor("install success"));
  EXPECT_EQ(log_.Count("Wfe still running after 20000 ms, installing anyway"), 1);
  // One attempt every 0.5 s at most.
  EXPECT_GE(attempts, 2);
  EXPECT_LE(attempts, 41);
  EXPECT_GE(clock.NowMs(), 20000u);
  EXPECT_EQ(log_.Count("Wfe is running"), attempts);
  EXPECT_FALSE(client.Exited());
}

}  // namespace
