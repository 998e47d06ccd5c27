#include "tools/veskaroom/heartbeat_sender.h"

HeartbeatSender::HeartbeatSender(LauncherLink& link, std::chrono::milliseconds period)
    : link_(link) {
  if (period.count() > 0) thread_ = std::thread([this, period] { Run(period); });
}

HeartbeatSender::~HeartbeatSender() { Stop(); }

void HeartbeatSender::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  condition_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void HeartbeatSender::Run(std::chrono::milliseconds period) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    link_.SendHeartbeat();
    condition_.wait_for(lock, period, [&] { return stopping_; });
  }
}
