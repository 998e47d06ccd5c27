#pragma once
// A clock for tests with long waits: time runs `speedUp` times faster than
// real time, both for reading it and for sleeping. Installed for the whole
// process while the object lives.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace veska_test {

class FastClock : public platform::Clock {
 public:
  explicit FastClock(unsigned speedUp = 1000);
  ~FastClock() override;
  FastClock(const FastClock&) = delete;
  FastClock& operator=(const FastClock&) = delete;

  std::uint64_t NowMs() override;
  void SleepMs(std::uint32_t ms) override;

  // Sum of every sleep asked for, in (fast) milliseconds.
  std::uint64_t totalSleptMs() const { return slept_.load(); }

 private:
  const unsigned speedUp_;
  const std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
  std::atomic<std::uint64_t> slept_{0};
};

}  // namespace veska_test
