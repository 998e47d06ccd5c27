#pragma once
// An event that stays signalled until it is reset (a Windows manual-reset
// event), for waiting on a state rather than a moment.

#include <chrono>
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool signalled) : signalled_(signalled) {}

  void Set() {
    std::lock_guard guard(mutex_);
    signalled_ = true;
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard guard(mutex_);
    signalled_ = false;
  }
  bool IsSet() const {
    std::lock_guard guard(mutex_);
    return signalled_;
  }
  // True when the event was (or became) signalled within `limit`.
  bool Wait(std::chrono::milliseconds limit) const {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, limit, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool signalled_;
};
