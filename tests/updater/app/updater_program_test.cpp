// veskaUpdater as the classroom client starts it, in a scratch installation,
// against nginx and the fault-injecting server, with the real launcher,
// components and substitute client. Windows are answered by automation; what
// they show is read from standard error.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <filesystem>
#include <optional>

#include "platform/named_mutex.h"
#include "safe_unzip/zip_fixture.h"
#include "support/faulty_http_server.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/nginx_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "support/xvfb_server.h"
#include "test_package.h"
#include "updater_installation.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;
using updater_test::UpdaterInstallation;
using updater_test::WindowLines;

constexpr int kStopped = 255;  // the updater's -1 as an exit status
constexpr char kUpdateInProgressMutex[] = "{11B0C527-BB62-4BE3-9769-26491D9845B4}";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& part) {
  for (const auto& line : lines) {
    if (Contains(line, part)) return true;
  }
  return false;
}

// A package as the vendor would serve it, in a folder nginx serves.
struct ServedPackage {
  ServedPackage() {
    veska_test::WriteZip(root / "pkg.zip", {{"readme.txt", "new readme"},
                                            {"bin/", ""},
                                            {"bin/tool.sh", "#!/bin/sh\n", 0100755}});
    md5 = download_test::FileMd5(root / "pkg.zip");
  }
  veska_test::TempDir root;
  std::string md5;
};

// Holds a named mutex in a process of its own (the platform suite's helper),
// created owned, until killed; its end leaves the mutex abandoned.
class MutexHolder {
 public:
  explicit MutexHolder(const std::string& name)
      : process_(VESKA_PLATFORM_HELPER, {"mutex-hold", name, "create-owned", (result_ / "r").string()}) {
    veska_test::WaitUntil([&] { return fs::exists(result_ / "r") && !veska_test::ReadFile(result_ / "r").empty(); });
  }
  void Kill() { process_.Kill(); }

 private:
  veska_test::TempDir result_;
  veska_test::ChildProcess process_;
};

TEST(UpdaterStartTest, ASecondUpdaterEndsAtOnceWhileTheFirstWaitsForTheUpdateLock) {
  UpdaterInstallation install;
  MutexHolder holder("TRVO_AutoUpdate");
  veska_test::ChildProcess first(install.Updater(), {"-forcedupdate=0"}, install.Environment());
  // The first updater holds its instance mutex while it waits.
  ASSERT_TRUE(veska_test::WaitUntil([] { return platform::NamedMutex::Open("VESKA_Win32_Instance_Mutex").ok(); }));

  const auto start = std::chrono::steady_clock::now();
  const auto second = install.RunUpdater({"-forcedupdate=0"});
  EXPECT_EQ(second.exit_code, kStopped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(5));
  EXPECT_TRUE(WindowLines(second.err).empty());

  // A holder that ends without releasing the lock lets the first one go on.
  holder.Kill();
  EXPECT_EQ(first.WaitExit(seconds(20)), 0);
}

TEST(UpdaterStartTest, AnUpdateLockHeldForMoreThanTenSecondsStopsTheUpdater) {
  UpdaterInstallation install;
  MutexHolder holder("TRVO_AutoUpdate");
  const auto start = std::chrono::steady_clock::now();
  const auto run = install.RunUpdater({"-forcedupdate=0"});
  EXPECT_EQ(run.exit_code, kStopped);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(10000));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(install.UpdaterLog(), "");
}

TEST(UpdaterStartTest, AnUpdateMarkedInProgressStopsTheUpdater) {
  UpdaterInstallation install;
  auto marked = platform::NamedMutex::Create(kUpdateInProgressMutex, true);
  ASSERT_TRUE(marked.ok());
  const auto run = install.RunUpdater({"-forcedupdate=0"});
  EXPECT_EQ(run.exit_code, kStopped);
  EXPECT_EQ(run.err, "");
}

TEST(UpdaterStartTest, WithoutArgumentsTheUpdaterStopsWithoutALog) {
  UpdaterInstallation install;
  const auto run = install.RunUpdater({});
  EXPECT_EQ(run.exit_code, kStopped);
  EXPECT_TRUE(Contains(run.err, "usage: Updater.exe -url=")) << run.err;
  EXPECT_TRUE(WindowLines(run.err).empty());
  EXPECT_EQ(install.UpdaterLog(), "");
}

TEST(UpdaterFlowTest, OnlyForcedUpdateShowsTheNoticeStopsTheClientAndEnds) {
  UpdaterInstallation install;
  veska_test::TempDir programs;
  auto client = veska_test::StartSleeperAs(programs.path(), "veska.exe");
  auto helper = veska_test::StartSleeperAs(programs.path(), "virazerur.exe");
  const auto run = install.RunUpdater({"-forcedupdate=1"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(WindowLines(run.err),
            std::vector<std::string>{"window: class=qel_updater_tips_wnd_class_name caption=parvolesk提示 "
                                     "titleLabel=\"Tips\" tipsLabel=\"Your client version is too low. We will "
                                     "update it to the latest version!\" confirmButton=\"确定\" answer=1"});
  EXPECT_EQ(client.WaitExit(seconds(5)), 128 + 9);
  EXPECT_EQ(helper.WaitExit(seconds(5)), 128 + 9);
  EXPECT_TRUE(Contains(install.UpdaterLog(), "forcedupdate : 1"));
}

TEST(UpdaterFlowTest, AForcedUpdateInstallsRegistersAndStartsTheLauncherWithItsParameters) {
  UpdaterInstallation install;
  ServedPackage package;
  veska_test::NginxServer nginx(package.root.path());
  veska_test::WriteFile(install.app() / "readme.txt", "old readme");
  const std::string pageCall = "lesson -record=" + install.ClientRecord().string() + " -script=exit_request";
  const auto run = install.RunUpdater({"-url=" + nginx.Url("/pkg.zip"), "-md5=" + package.md5, "-forcedupdate=1",
                                       "-newver=8.7.0", "-prompt=a*b", "-pagecallparam=" + pageCall});
  EXPECT_EQ(run.exit_code, 0) << run.err;

  // The notice, the progress window with its progress, the launch window.
  const auto windows = WindowLines(run.err);
  ASSERT_GE(windows.size(), 4u) << run.err;
  EXPECT_TRUE(Contains(windows.front(), "class=qel_updater_tips_wnd_class_name")) << windows.front();
  EXPECT_EQ(windows[1], "window: class=qel_updater_wnd_class_name caption=Update Program Label=\"Update Assistant\"");
  EXPECT_EQ(windows[windows.size() - 2],
            "window: class=qel_updater_wnd_class_name tipsLabel=\"Find new version for client, updating now "
            "......100%\"");
  EXPECT_TRUE(Contains(windows.back(), "class=qel_updater_launch_wnd_class_name")) << windows.back();

  // Unpacked into the launcher's folder, registered, and the launcher started
  // with the parameters, which it hands to the client.
  EXPECT_EQ(veska_test::ReadFile(install.app() / "readme.txt"), "new readme");
  EXPECT_TRUE(fs::exists(install.app() / "bin/tool.sh"));
  EXPECT_TRUE(Contains(install.Registrations(), " registered " + (install.app() / "temp/InstallQelApp.dll").string()));
  ASSERT_TRUE(veska_test::WaitUntil([&] { return AnyLineContains(install.ClientEvents(), "exit "); }, seconds(20)))
      << "the launcher did not start the client";
  EXPECT_TRUE(AnyLineContains(install.ClientEvents(), "word lesson"));
  EXPECT_TRUE(Contains(install.UpdaterLog(), "install success"));
}

TEST(UpdaterFlowTest, ANotForcedUpdateLeavesThePackageForTheLaunchersNextStart) {
  UpdaterInstallation install;
  ServedPackage package;
  veska_test::NginxServer nginx(package.root.path());
  veska_test::WriteFile(install.app() / "readme.txt", "old readme");
  const auto run = install.RunUpdater({"-url=" + nginx.Url("/pkg.zip"), "-md5=" + package.md5, "-forcedupdate=0"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const auto windows = WindowLines(run.err);
  ASSERT_FALSE(windows.empty());
  EXPECT_TRUE(Contains(windows.back(), "tipsLabel=\"Reopen to update it\"")) << windows.back();
  EXPECT_TRUE(Contains(windows.back(), "answer=1")) << windows.back();
  EXPECT_EQ(download_test::FileMd5(install.Package()), package.md5);
  EXPECT_EQ(veska_test::ReadFile(install.app() / "readme.txt"), "old readme");
  EXPECT_TRUE(Contains(install.Registrations(), " registered "));

  // The launcher's next start applies it.
  const auto launcher = veska_test::RunProgram(
      install.app() / "VESKALaunch.exe", {"-record=" + install.ClientRecord().string(), "-script=exit_request"},
      install.Environment(), seconds(30));
  EXPECT_EQ(launcher.exit_code, 0) << launcher.err;
  EXPECT_EQ(veska_test::ReadFile(install.app() / "readme.txt"), "new readme");
  EXPECT_FALSE(fs::exists(install.Package()));
  EXPECT_FALSE(fs::exists(install.app() / "update.zip"));
  EXPECT_FALSE(fs::exists(install.Updater())) << "the launcher clears the updater's leftovers";
}

// No display and no answers: no one could close the window, so the updater
// does not wait for anyone once the package is there.
TEST(UpdaterFlowTest, WithNoOneToSeeItsWindowsANotForcedUpdateStillEnds) {
  UpdaterInstallation install;
  ServedPackage package;
  veska_test::NginxServer nginx(package.root.path());
  const auto run = install.RunUpdater({"-url=" + nginx.Url("/pkg.zip"), "-md5=" + package.md5, "-forcedupdate=0"},
                                      "", seconds(30));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "duilib: cannot show the window \"Update Program\": no display, and "
                     "VESKA_WINDOW_ANSWER=\"\" is not a list of close codes such as 1 or 2,1\n");
  EXPECT_EQ(download_test::FileMd5(install.Package()), package.md5);
}

TEST(UpdaterFlowTest, ADigestMismatchDeletesThePackageAndShowsTheFailureBox) {
  UpdaterInstallation install;
  ServedPackage package;
  veska_test::NginxServer nginx(package.root.path());
  std::vector<std::string> chinese = install.Environment();
  chinese.push_back("LANGUAGE=zh_CN.UTF-8");
  const auto run = veska_test::RunProgram(
      install.Updater(), {"-url=" + nginx.Url("/pkg.zip"), "-md5=0123456789abcdef0123456789abcdef", "-forcedupdate=0"},
      chinese, seconds(60));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(AnyLineContains(WindowLines(run.err),
                              "tipsLabel=\"升级出问题了,请下载完整安装包~\" confirmButton=\"前往下载\" answer=1"))
      << run.err;
  EXPECT_FALSE(fs::exists(install.Package()));
  EXPECT_FALSE(fs::exists(install.Package().string() + ".dltmp"));
  EXPECT_EQ(install.OpenedPages(), "https://www.veska.example/download\n");
  EXPECT_EQ(install.Registrations(), "");
}

// The network is down: the updater runs in a network namespace of its own,
// where no interface is up.
TEST(UpdaterFlowTest, ADownloadWithTheNetworkDownShowsTheNetworkDownText) {
  std::vector<std::string> isolate{"--net"};
  if (geteuid() != 0) isolate = {"--user", "--map-root-user", "--net"};
  isolate.push_back("true");
  if (veska_test::RunProgram("/usr/bin/unshare", isolate).exit_code != 0) {
    GTEST_SKIP() << "no network namespace can be made here";
  }
  UpdaterInstallation install;
  ServedPackage package;
  veska_test::FaultyHttpServer server(VESKA_FAULTY_HTTP, package.root / "pkg.zip");
  isolate.back() = install.Updater().string();
  isolate.insert(isolate.end(), {"-url=" + server.Url("/file"), "-md5=" + package.md5, "-forcedupdate=0"});
  const auto run = veska_test::RunProgram("/usr/bin/unshare", isolate, install.Environment("2"), seconds(60));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(AnyLineContains(WindowLines(run.err),
                              "tipsLabel=\"The network has been disconnected. Please check the network "
                              "environment and try again.\" confirmButton=\"Close\" answer=2"))
      << run.err;
  EXPECT_EQ(install.OpenedPages(), "");
  EXPECT_FALSE(fs::exists(install.Package()));
}

// The whole forced cycle: the running client (veska.exe, 8.6.6) starts the
// updater with an update order; the updater stops it, installs the package
// (a new client, 8.7.0) and starts the launcher, which starts the new client.
TEST(UpdaterCycleTest, TheClientTheUpdaterAndTheLauncherRunAForcedUpdateTogether) {
  UpdaterInstallation install;
  veska_test::InstallAs(VESKA_CLIENT, install.app(), "veska.exe");
  veska_test::WriteFile(install.app() / "version.txt", "8.6.6\n");
  veska_test::TempDir served;
  veska_test::WriteZip(served / "pkg.zip", {{"veskaroom.exe", veska_test::ReadFile(VESKA_CLIENT), 0100755},
                                           {"version.txt", "8.7.0\n"}});
  const std::string md5 = download_test::FileMd5(served / "pkg.zip");
  veska_test::NginxServer nginx(served.path());

  const fs::path before = install.ClientRecord().string() + ".before";
  const std::string order = "-url=" + nginx.Url("/pkg.zip") + " -md5=" + md5 +
                            " -forcedupdate=1 -newver=8.7.0 \"-prompt=1. faster*2. clearer\" "
                            "\"-pagecallparam=-record=" + install.ClientRecord().string() +
                            " -script=exit_request\"";
  veska_test::ChildProcess client(install.app() / "veska.exe",
                                  {"-record=" + before.string(), "-script=update:" + order}, install.Environment());
  EXPECT_EQ(client.WaitExit(seconds(30)), 128 + 9) << "the updater stops the running client";
  const auto old = veska_test::SplitLines(veska_test::ReadFile(before));
  EXPECT_TRUE(AnyLineContains(old, "version 8.6.6"));
  EXPECT_TRUE(AnyLineContains(old, "update started -url="));

  ASSERT_TRUE(veska_test::WaitUntil([&] { return AnyLineContains(install.ClientEvents(), "exit "); }, seconds(30)))
      << "the launcher did not start the new client";
  const auto fresh = install.ClientEvents();
  EXPECT_TRUE(AnyLineContains(fresh, "version 8.7.0"));
  EXPECT_TRUE(AnyLineContains(fresh, "sent exit_request"));
  EXPECT_EQ(veska_test::ReadFile(install.app() / "version.txt"), "8.7.0\n");
  EXPECT_TRUE(Contains(install.Registrations(), " registered "));
  // The launcher has cleared the updater's leftovers.
  EXPECT_TRUE(veska_test::WaitUntil([&] { return !fs::exists(install.Package()) && !fs::exists(install.Updater()); }));
}

// Real windows on a virtual X server, driven with real keys.
class UpdaterScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!veska_test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb or xdotool missing";
    screen_ = std::make_unique<veska_test::XvfbServer>(1024, 768);
  }

  std::vector<std::string> Env() const {
    std::vector<std::string> env = install_.Environment();
    env.push_back("DISPLAY=" + screen_->display());
    env.push_back("NO_AT_BRIDGE=1");  // no accessibility bus beside a virtual server
    return env;
  }
  UpdaterInstallation install_;
  std::unique_ptr<veska_test::XvfbServer> screen_;
};

// The forced notice sits over the client's window, and closing it with Enter
// stops the client.
TEST_F(UpdaterScreenTest, TheForcedNoticeIsCentredOnTheClientsWindow) {
  veska_test::TempDir programs;
  const auto clientProgram = veska_test::InstallAs(VESKA_CLIENT_WINDOW, programs.path(), "veska.exe");
  veska_test::ChildProcess client(clientProgram, {"100", "80", "600", "400"}, {"DISPLAY=" + screen_->display()});
  ASSERT_FALSE(screen_->WaitForWindow("parvolesk").empty()) << "the client's window did not appear";

  veska_test::ChildProcess updater(install_.Updater(), {"-forcedupdate=1"}, Env());
  const std::string notice = screen_->WaitForWindow("qel_updater_tips_wnd_class_name");
  ASSERT_FALSE(notice.empty()) << "the notice did not appear";
  const auto geometry = screen_->Geometry(notice);
  EXPECT_EQ(geometry.at("X"), 100 + (600 - 310) / 2);
  EXPECT_EQ(geometry.at("Y"), 80 + (400 - 100) / 2);

  EXPECT_TRUE(screen_->PressKey(notice, "Return"));
  EXPECT_EQ(updater.WaitExit(seconds(20)), 0);
  EXPECT_EQ(client.WaitExit(seconds(5)), 128 + 9);
}

// Closing the window mid-download ends the updater at once, with the
// transfer's threads still running; nothing is installed.
TEST_F(UpdaterScreenTest, ClosingTheWindowDuringTheDownloadEndsTheUpdater) {
  ServedPackage package;
  veska_test::WriteFile(package.root / "big.zip", download_test::PackageBytes(2000000));
  veska_test::NginxServer nginx(package.root.path(), "limit_rate 50k;");
  veska_test::ChildProcess updater(
      install_.Updater(), {"-url=" + nginx.Url("/big.zip"), "-md5=" + package.md5, "-forcedupdate=2"}, Env());
  const std::string window = screen_->WaitForWindow("qel_updater_wnd_class_name");
  ASSERT_FALSE(window.empty()) << "the progress window did not appear";
  ASSERT_TRUE(veska_test::WaitUntil([&] { return fs::exists(install_.Package().string() + ".dltmp"); }));
  EXPECT_TRUE(screen_->PressKey(window, "Escape"));
  EXPECT_EQ(updater.WaitExit(seconds(10)), 0);
  EXPECT_FALSE(fs::exists(install_.Package()));
  EXPECT_EQ(install_.Registrations(), "");
}

// A failure box runs on the job's thread; a user who closes the progress
// window instead of the box ends the updater, box and all.
TEST_F(UpdaterScreenTest, ClosingTheWindowWhileAFailureBoxIsShownEndsTheUpdater) {
  ServedPackage package;
  veska_test::NginxServer nginx(package.root.path());
  veska_test::ChildProcess updater(
      install_.Updater(), {"-url=" + nginx.Url("/pkg.zip"), "-md5=0123456789abcdef0123456789abcdef"}, Env());
  const std::string window = screen_->WaitForWindow("qel_updater_wnd_class_name");
  ASSERT_FALSE(window.empty()) << "the progress window did not appear";
  ASSERT_FALSE(screen_->WaitForWindow("qel_updater_tips_wnd_class_name").empty()) << "the failure box did not appear";
  EXPECT_TRUE(screen_->PressKey(window, "Escape"));
  EXPECT_EQ(updater.WaitExit(seconds(10)), 0);
  EXPECT_EQ(install_.OpenedPages(), "");
}

}  // namespace
