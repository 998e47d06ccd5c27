#include "support/fast_clock.h"

#include <thread>

namespace veska_test {

FastClock::FastClock(unsigned speedUp) : speedUp_(speedUp == 0 ? 1 : speedUp) {
  platform::SetClockForTesting(this);
}

FastClock::~FastClock() { platform::SetClockForTesting(nullptr); }

std::uint64_t FastClock::NowMs() {
  const auto real = std::chrono::steady_clock::now() - begin_;
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(real).count()) *
         speedUp_ / 1000;
}

void FastClock::SleepMs(std::uint32_t ms) {
  slept_ += ms;
  std::this_thread::sleep_for(std::chrono::microseconds(std::uint64_t{ms} * 1000 / speedUp_));
}

}  // namespace veska_test
