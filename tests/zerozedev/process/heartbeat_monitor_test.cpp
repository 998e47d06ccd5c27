#include "zerozedev/process/heartbeat_monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/wait.h"
#include "zerozedev/pipe/cef_pipe_channel.h"

namespace zerozedev {
namespace {

using namespace std::chrono_literals;

class HeartbeatMonitorTest : public testing::Test {
 protected:
  void SetUp() override { channel_->SetRunning(true); }

  HeartbeatMonitor::DebugOutput Collect() {
    return [this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    };
  }

  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

  // Runs `action` on a helper thread and reports whether it finished within
  // `limit`; the flag is dropped afterwards so that nothing is left waiting.
  bool FinishesWithin(const std::function<void()>& action, std::chrono::milliseconds limit) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
      action();
      done = true;
    });
    const bool finished = veska_test::WaitUntil([&] { return done.load(); }, limit);
    channel_->SetRunning(false);
    helper.join();
    return finished;
  }

  std::shared_ptr<CefPipeChannel> channel_ = std::make_shared<CefPipeChannel>();
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(HeartbeatMonitorTest, ReportsTheHeartbeatAgeOnceOneWasSeen) {
  HeartbeatMonitor monitor(channel_, 20ms, Collect());
  monitor.Start();
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(Lines().empty()) << "no heartbeat yet, nothing to report";

  channel_->RecordHeartbeat();
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !Lines().empty(); }));
  const std::string first = Lines().front();
  const std::string head = "duration: ";
  ASSERT_TRUE(first.starts_with(head) && first.ends_with("\r\n")) << first;
  const std::string age = first.substr(head.size(), first.size() - head.size() - 2);
  ASSERT_TRUE(!age.empty() && age.find_first_not_of("0123456789") == std::string::npos) << first;
  EXPECT_LT(std::stoi(age), 1000);

  channel_->SetRunning(false);
  EXPECT_TRUE(FinishesWithin([&] { monitor.Join(); }, 2s));
}

TEST_F(HeartbeatMonitorTest, EndsWithinOneIntervalOfTheFlagTurningFalse) {
  HeartbeatMonitor monitor(channel_, HeartbeatMonitor::kInterval, Collect());
  monitor.Start();
  monitor.Start();  // a second start starts nothing
  channel_->SetRunning(false);
  EXPECT_TRUE(FinishesWithin([&] { monitor.Join(); }, 2s));
}

TEST_F(HeartbeatMonitorTest, DestroyingARunningMonitorDoesNotWaitForTheFlag) {
  auto monitor = std::make_unique<HeartbeatMonitor>(channel_, 30s, Collect());
  monitor->Start();
  std::atomic<bool> still_running{true};
  EXPECT_TRUE(FinishesWithin(
      [&] {
        still_running = channel_->IsRunning();
        monitor.reset();
      },
      2s));
  EXPECT_TRUE(still_running.load());
}

}  // namespace
}  // namespace zerozedev
