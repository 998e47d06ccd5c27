#pragma once
// When the client ends: any thread may ask for the end; the main thread
// waits for it with a bound.

#include <chrono>
#include <condition_variable>
#include <mutex>

class ClientLife {
 public:
  void End() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    condition_.notify_all();
  }
  bool Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
  }
  // true when the end came within `limit`.
  bool WaitForEnd(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return condition_.wait_for(lock, limit, [&] { return ended_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool ended_ = false;
};
