// The progress window in this process, answered by automation: what Init
// fills in, the ticks against a real download from nginx, the retry width
// and the not forced completion that leaves the window to the user.

#include "updater/progress/updater_wnd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "outside/duilib/window_system.h"
#include "platform/module_resources.h"
#include "platform/network_state.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/nginx_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "test_package.h"

using namespace DuiLib;
using veska_test::ScopedEnv;

namespace {

std::string TextOf(CPaintManagerUI& pm, const char16_t* name) {
  CControlUI* control = pm.FindControl(name);
  return control != nullptr ? platform::Utf16ToUtf8(control->GetText().str()) : "(absent)";
}

// Ends a message loop that would otherwise outlive the test.
class LoopDeadline {
 public:
  explicit LoopDeadline(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!done_changed_.wait_for(lock, limit, [&] { return done_; })) {
            expired_ = true;
            PostQuitMessage(0);
          }
        }) {}
  ~LoopDeadline() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_changed_.notify_all();
    thread_.join();
  }
  bool expired() {
    std::lock_guard lock(mutex_);
    return expired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  bool expired_ = false;
  std::thread thread_;
};

class UpdaterWndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Windows answered by automation, decided once for the process.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("VESKA_WINDOW_ANSWER", "1", 1);
    CPaintManagerUI::SetInstance(platform::ProgramModule());
    platform::SetNetworkAliveForTesting([] { return true; });
  }
  static void TearDownTestSuite() { platform::SetNetworkAliveForTesting(nullptr); }

  // The job's threads use the clock and the fixture's folders: they end first.
  void TearDown() override {
    for (const auto& installer : installers_) {
      EXPECT_TRUE(installer->WaitIdle(std::chrono::seconds(60)));
      EXPECT_TRUE(veska_test::WaitUntil([&] { return !installer->networkMonitorRunning(); }));
    }
  }

  ZipConf Conf(const std::string& url, const std::string& md5) const {
    ZipConf conf;
    conf.zipUrl = url + "?" + md5;
    conf.zipMd5 = md5;
    conf.zipPath = (folder_ / "temp/update.zip").string();
    conf.installRoot = folder_.str() + "/";
    conf.launcherPath = (folder_ / "app/VESKALaunch.exe").string();
    conf.launchAfterInstall = true;
    conf.newVersion = "8.7.0";
    conf.prompt = "1. 白板*2. 声音*";
    return conf;
  }

  void Started(CUpdaterWnd& window) { installers_.push_back(window.Installer()); }

  veska_test::TempDir folder_;
  veska_test::TempDir served_;
  ScopedEnv data_{"XDG_DATA_HOME", folder_.str() + "/data"};
  std::vector<std::shared_ptr<ZipDownloader>> installers_;
};

TEST_F(UpdaterWndTest, ANotForcedDownloadEndsInTheCompletionTextAndWaitsForTheUser) {
  ScopedEnv language("LANGUAGE", "zh_CN.UTF-8");
  std::filesystem::create_directories(folder_ / "temp");
  const std::string bytes = download_test::PackageBytes(200000);
  veska_test::WriteFile(served_ / "pkg.zip", bytes);
  veska_test::NginxServer nginx(served_.path());

  CUpdaterWnd window;
  window.ShowWindow(false, true);
  window.Init(Conf(nginx.Url("/pkg.zip"), download_test::Md5Hex(bytes)));
  Started(window);
  auto& pm = window.PaintManager();
  EXPECT_EQ(TextOf(pm, u"version"), "最新版本：8.7.0");
  auto* list = dynamic_cast<CContainerUI*>(pm.FindControl(u"ListContainer"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(platform::Utf16ToUtf8(list->GetItemAt(0)->GetText().str()), "1. 白板");
  EXPECT_EQ(platform::Utf16ToUtf8(list->GetItemAt(1)->GetText().str()), "2. 声音");

  // The timer ticks in the message loop; once the package is verified the
  // window is left to the user, whom automation plays: the loop ends.
  window.ShowWindow(true, true);
  {
    LoopDeadline deadline(std::chrono::seconds(30));
    CPaintManagerUI::MessageLoop();
    ASSERT_FALSE(deadline.expired()) << "the window did not reach its completion";
  }
  EXPECT_TRUE(window.Installer()->succeeded());
  EXPECT_EQ(TextOf(pm, u"title"), "新版本下载完成！");
  EXPECT_EQ(TextOf(pm, u"tipsLabel"), "已下载：100%   新版本将在下次启动时安装！！");
  EXPECT_TRUE(pm.FindControl(u"buttonLayout")->IsVisible());
  EXPECT_EQ(dynamic_cast<CProgressUI*>(pm.FindControl(u"downloadProgress"))->GetValue(), 100);
  // Nothing is installed: the package waits for the launcher.
  EXPECT_EQ(download_test::FileMd5(folder_ / "temp/update.zip"), download_test::Md5Hex(bytes));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "app"));
}

TEST_F(UpdaterWndTest, TheEnglishLayoutGetsOnlyTheTextsItHasControlsFor) {
  ScopedEnv language("LANGUAGE", "en_US.UTF-8");
  std::filesystem::create_directories(folder_ / "temp");
  const std::string bytes = download_test::PackageBytes(1000);
  veska_test::WriteFile(served_ / "pkg.zip", bytes);
  veska_test::NginxServer nginx(served_.path());

  CUpdaterWnd window;
  window.Init(Conf(nginx.Url("/pkg.zip"), download_test::Md5Hex(bytes)));
  Started(window);
  ASSERT_TRUE(window.Installer()->WaitIdle(std::chrono::seconds(30)));
  window.SendMessage(WM_TIMER, CUpdaterWnd::kProgressTimerId);
  auto& pm = window.PaintManager();
  EXPECT_EQ(TextOf(pm, u"tipsLabel"), "Reopen to update it");
  EXPECT_EQ(TextOf(pm, u"title"), "(absent)");
  EXPECT_EQ(dynamic_cast<CProgressUI*>(pm.FindControl(u"downloadProgress"))->GetValue(), 100);
}

TEST_F(UpdaterWndTest, TheFirstRetryMakesTheWindow360WideAtItsRightEdgeAndZeroClearsTheSuffix) {
  ScopedEnv language("LANGUAGE", "zh_CN.UTF-8");
  std::filesystem::create_directories(folder_ / "temp");
  const std::string bytes = download_test::PackageBytes(200000);
  veska_test::WriteFile(served_ / "pkg.zip", bytes);
  // Slow enough that the download is still going at the ticks.
  veska_test::NginxServer nginx(served_.path(), "limit_rate 50k;");

  CUpdaterWnd window;
  window.CenterWindow();
  window.Init(Conf(nginx.Url("/pkg.zip"), download_test::Md5Hex(bytes)));
  Started(window);
  RECT before;
  ASSERT_TRUE(GetWindowRect(window.GetHWND(), &before));
  ASSERT_EQ(before.Width(), 442);

  auto tips = [&] { return TextOf(window.PaintManager(), u"tipsLabel"); };
  // Reports come from the job's network monitor, each followed by its pause;
  // the window shows the latest at its next tick.
  std::vector<std::thread> monitor;
  auto report = [&](unsigned count, const std::string& shown) {
    monitor.emplace_back([&window, count] { window.OnRetry(count); });
    return veska_test::WaitUntil([&] {
      window.SendMessage(WM_TIMER, CUpdaterWnd::kProgressTimerId);
      return shown.empty() ? tips().find("重试") == std::string::npos : tips().find(shown) != std::string::npos;
    });
  };
  ASSERT_TRUE(report(1, "（重试第1次)")) << tips();
  RECT narrowed;
  ASSERT_TRUE(GetWindowRect(window.GetHWND(), &narrowed));
  EXPECT_EQ(narrowed, (RECT{before.right - 360, before.top, before.right, before.bottom}));
  window.SendMessage(WM_TIMER, CUpdaterWnd::kProgressTimerId);  // while the count stays 1: the same place
  RECT again;
  ASSERT_TRUE(GetWindowRect(window.GetHWND(), &again));
  EXPECT_EQ(again, narrowed);

  EXPECT_TRUE(report(2, "（重试第2次)")) << tips();
  EXPECT_TRUE(report(0, "")) << tips();
  EXPECT_EQ(tips().rfind("已下载：", 0), 0u) << tips();
  EXPECT_NE(tips().find("  下载速度："), std::string::npos) << tips();
  for (auto& thread : monitor) thread.join();
  // The job ends before its server does.
  EXPECT_TRUE(window.Installer()->WaitIdle(std::chrono::seconds(30)));
}

TEST_F(UpdaterWndTest, ItsButtonsMinimiseTheWindowAndEndTheLoop) {
  ScopedEnv language("LANGUAGE", "zh_CN.UTF-8");
  CUpdaterWnd window;
  auto& pm = window.PaintManager();
  pm.SendNotify(pm.FindControl(u"minButton"), u"click");
  EXPECT_TRUE(IsIconic(window.GetHWND()));

  pm.SendNotify(pm.FindControl(u"closeButton"), u"click");
  LoopDeadline deadline(std::chrono::seconds(10));
  CPaintManagerUI::MessageLoop();
  EXPECT_FALSE(deadline.expired());
  // Closing only ends the loop; the window goes with its object.
  EXPECT_TRUE(IsWindow(window.GetHWND()));
}

}  // namespace
