#include <time.h>

#include <atomic>
#include <cerrno>

#include "platform/clock.h"

namespace platform {
namespace {

std::atomic<Clock*> g_test_clock{nullptr};

std::uint64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

void RealSleepMs(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

std::tm CalendarNow(std::tm* (*split)(const std::time_t*, std::tm*)) {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  split(&now, &parts);
  return parts;
}

}  // namespace

std::uint64_t TickCountMs() {
  if (Clock* clock = g_test_clock.load()) return clock->NowMs();
  return MonotonicMs();
}

void SleepMs(std::uint32_t ms) {
  if (Clock* clock = g_test_clock.load()) return clock->SleepMs(ms);
  RealSleepMs(ms);
}

void SetClockForTesting(Clock* clock) { g_test_clock.store(clock); }

std::tm LocalTimeNow() { return CalendarNow(localtime_r); }

std::tm UtcTimeNow() { return CalendarNow(gmtime_r); }

std::tm LocalTimeAt(std::int64_t unix_seconds) {
  const std::time_t moment = static_cast<std::time_t>(unix_seconds);
  std::tm parts{};
  localtime_r(&moment, &parts);
  return parts;
}

}  // namespace platform
