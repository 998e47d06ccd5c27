#pragma once
// Sends a heartbeat at once and then every period, on its own thread, until
// stopped.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/veskaroom/launcher_link.h"

class HeartbeatSender {
 public:
  HeartbeatSender(LauncherLink& link, std::chrono::milliseconds period);
  ~HeartbeatSender();
  HeartbeatSender(const HeartbeatSender&) = delete;
  HeartbeatSender& operator=(const HeartbeatSender&) = delete;

  void Stop();

 private:
  void Run(std::chrono::milliseconds period);

  LauncherLink& link_;
  std::mutex mutex_;
  std::condition_variable condition_;
  bool stopping_ = false;
  std::thread thread_;
};
