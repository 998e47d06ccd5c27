#include "zerozedev/process/heartbeat_monitor.h"

#include <cstdint>
#include <cstdio>

#include "platform/debug_output.h"
#include "zerozedev/pipe/cef_pipe_channel.h"

namespace zerozedev {

HeartbeatMonitor::HeartbeatMonitor(std::shared_ptr<CefPipeChannel> channel,
                                   std::chrono::milliseconds interval, DebugOutput debug_output)
    : channel_(std::move(channel)),
      interval_(interval),
      debug_output_(debug_output ? std::move(debug_output) : DebugOutput(platform::OutputDebugText)) {}

HeartbeatMonitor::~HeartbeatMonitor() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  Join();
}

void HeartbeatMonitor::Start() {
  std::lock_guard lock(mutex_);
  if (started_) return;
  started_ = true;
  thread_ = std::thread([this] { Run(); });
}

void HeartbeatMonitor::Join() {
  if (thread_.joinable()) thread_.join();
}

void HeartbeatMonitor::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, interval_, [this] { return stop_; });
    if (stop_ || !channel_->IsRunning()) return;
    if (channel_->HeartbeatSeen()) {
      char line[256];
      std::snprintf(line, sizeof line, "duration: %d\r\n",
                    static_cast<std::int32_t>(channel_->GetHeartbeatAgeMs()));
      debug_output_(line);
    }
  }
}

}  // namespace zerozedev
