#include "zerozedev/process/cef_process_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/process/heartbeat_monitor.h"
#include "zerozedev/process/stray_clients.h"

namespace zerozedev {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kCrashServerPipe = "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe";

// argv of a running process as the kernel shows it.
std::vector<std::string> ArgvOf(int pid) {
  std::vector<std::string> argv;
  const std::string raw = veska_test::ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
  for (std::size_t start = 0; start < raw.size();) {
    const auto end = raw.find('\0', start);
    argv.push_back(raw.substr(start, end - start));
    start = end == std::string::npos ? raw.size() : end + 1;
  }
  return argv;
}

fs::path ExeOf(int pid) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
}

// Gone from the process table: ended and reaped.
bool Reaped(int pid) { return !fs::exists("/proc/" + std::to_string(pid)); }

// Every record the launcher log wrote below `data_home`.
std::string LogText(const fs::path& data_home) {
  std::string text;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(data_home / "trvo", ec)) {
    if (e.is_regular_file()) text += veska_test::ReadFile(e.path());
  }
  return text;
}

class CefProcessManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    veska_test::InstallAs(VESKA_TEST_SLEEPER, app_, "veskaroom.exe");
    LauncherLog::Instance().Open("zerozedev");
    // The client run sets the flag once the pipe exists.
    channel_->SetRunning(true);
  }

  void TearDown() override {
    monitor_.reset();
    // Clients still running end here; the suite runs alone, so the name is ours.
    TerminateStrayClients("veskaroom.exe");
    manager_.reset();
  }

  // The manager for a client line built as the client run builds it; the
  // sleeper reads its first two words as milliseconds and exit code.
  CefProcessManager& StartManager(const std::string& launch_arguments) {
    ClientCommandLine line;
    line.AddArgs(ClientCommandLine::SplitTokens("veskaroom.exe " + launch_arguments + " ", " "));
    line.AddSwitch("host", "np.1_2");
    line.AddSwitch("crash_server", kCrashServerPipe);
    manager_ = std::make_unique<CefProcessManager>(line, channel_, app_.string());
    return *manager_;
  }

  void StartMonitor() {
    monitor_ = std::make_unique<HeartbeatMonitor>(channel_);
    monitor_->Start();
  }

  // Whether the monitor's thread ends within `limit`; the client run joins it.
  bool MonitorEndsWithin(std::chrono::milliseconds limit) {
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
      monitor_->Join();
      joined = true;
    });
    const bool ended = veska_test::WaitUntil([&] { return joined.load(); }, limit);
    if (!ended) channel_->SetRunning(false);
    joiner.join();
    return ended;
  }

  veska_test::TempDir root_;
  veska_test::ScopedEnv data_home_{"XDG_DATA_HOME", root_.str()};
  const fs::path app_ = root_.path() / "app";
  std::shared_ptr<CefPipeChannel> channel_ = std::make_shared<CefPipeChannel>();
  std::unique_ptr<CefProcessManager> manager_;
  std::unique_ptr<HeartbeatMonitor> monitor_;
};

TEST_F(CefProcessManagerTest, StrayClientsEndBeforeTheLaunch) {
  auto stray = veska_test::StartSleeperAs(root_.path() / "old", "veskaroom.exe");
  auto other_case = veska_test::StartSleeperAs(root_.path() / "old2", "VeskaRoom.EXE");
  auto unrelated = veska_test::StartSleeperAs(root_.path() / "old3", "veska.exe");

  auto& manager = StartManager("5000 0");
  manager.RunProcessOnce();

  // Already ended when the launch returns, not merely signalled.
  EXPECT_TRUE(stray.Exited());
  EXPECT_TRUE(other_case.Exited());
  EXPECT_FALSE(unrelated.Exited());
  const int client = static_cast<int>(manager.client_process_id());
  ASSERT_NE(client, 0);
  EXPECT_NE(client, stray.pid());
  EXPECT_TRUE(veska_test::WaitUntil([&] { return ExeOf(client) == app_ / "veskaroom.exe"; }));
  EXPECT_TRUE(channel_->IsRunning());
}

TEST_F(CefProcessManagerTest, ClientGetsItsLineWithTheLatestUrl) {
  // The client's URL may carry broken bytes: the launch goes on with them marked.
  channel_->UpdateUrl("room?id=1\xff");
  auto& manager = StartManager("5000 0 -url=u1");
  manager.RunProcessOnce();

  const int client = static_cast<int>(manager.client_process_id());
  ASSERT_NE(client, 0);
  // The kernel shows the new program a moment before its arguments.
  std::vector<std::string> argv;
  ASSERT_TRUE(veska_test::WaitUntil([&] {
    argv = ArgvOf(client);
    return ExeOf(client) == app_ / "veskaroom.exe" && !argv.empty();
  }));
  argv.erase(argv.begin());
  const std::vector<std::string> expected = {
      "5000", "0", "-url=u1", "-host=np.1_2", "-crash_server=" + kCrashServerPipe,
      "-url=room?id=1\xef\xbf\xbd"};
  EXPECT_EQ(argv, expected);
  EXPECT_EQ(manager.command_line().switches().back(),
            (CommandLineSwitch{"url", "room?id=1\xff"}));
  EXPECT_TRUE(veska_test::WaitUntil([&] {
    return LogText(root_.path()).find("not valid UTF-8") != std::string::npos;
  }));
}

TEST_F(CefProcessManagerTest, ClientEndingWithinTheFirstSecondEndsTheRun) {
  StartMonitor();
  auto& manager = StartManager("200 0");
  manager.RunProcessOnce();
  const int client = static_cast<int>(manager.client_process_id());
  ASSERT_NE(client, 0);

  EXPECT_TRUE(MonitorEndsWithin(3s));
  EXPECT_FALSE(channel_->IsRunning());
  EXPECT_TRUE(veska_test::WaitUntil([&] { return Reaped(client); }));
}

// Neither an exit request nor a crash-server notice comes: the launcher must
// still notice the end of its client, however late.
TEST_F(CefProcessManagerTest, ClientEndingAfterTenSecondsEndsTheRun) {
  StartMonitor();
  auto& manager = StartManager("10000 3");
  manager.RunProcessOnce();
  const int client = static_cast<int>(manager.client_process_id());
  ASSERT_NE(client, 0);

  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(channel_->IsRunning()) << "alive past the one-second check";
  EXPECT_TRUE(MonitorEndsWithin(15s));
  EXPECT_FALSE(channel_->IsRunning());
  EXPECT_TRUE(veska_test::WaitUntil([&] { return Reaped(client); }));
  EXPECT_TRUE(veska_test::WaitUntil([&] {
    return LogText(root_.path()).find("exit code 3") != std::string::npos;
  }));
}

TEST_F(CefProcessManagerTest, ExitNoticeEndsTheRunOnlyForTheLaunchedClient) {
  auto& manager = StartManager("5000 0");
  manager.RunProcessOnce();
  const auto client = manager.client_process_id();
  ASSERT_NE(client, 0u);

  channel_->RecordHeartbeat();
  manager.HandleClientExit(client + 1);
  EXPECT_FALSE(channel_->HeartbeatSeen());
  EXPECT_TRUE(channel_->IsRunning());

  channel_->RecordHeartbeat();
  manager.OnClientExited(client);
  EXPECT_FALSE(channel_->HeartbeatSeen());
  EXPECT_FALSE(channel_->IsRunning());
}

TEST_F(CefProcessManagerTest, ClientThatCannotStartEndsTheRun) {
  fs::remove(app_ / "veskaroom.exe");
  veska_test::ScopedEnv path("PATH", (root_.path() / "nothing-here").string());
  StartMonitor();
  testing::internal::CaptureStderr();
  auto& manager = StartManager("");
  manager.RunProcessOnce();
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(manager.client_process_id(), 0u);
  EXPECT_FALSE(channel_->IsRunning());
  EXPECT_NE(err.find("Create cef process error"), std::string::npos) << err;
  EXPECT_TRUE(MonitorEndsWithin(3s));
}

}  // namespace
}  // namespace zerozedev
