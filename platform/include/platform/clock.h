#pragma once
// Millisecond ticks and sleeps. Long waits (retry back-off, once-a-second
// polls) go through here so that a test can replace time in-process.

#include <cstdint>
#include <ctime>

namespace platform {

// A source of time. The default one is the monotonic clock.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint64_t NowMs() = 0;
  virtual void SleepMs(std::uint32_t ms) = 0;
};

// Monotonic milliseconds (GetTickCount64).
std::uint64_t TickCountMs();
// Sleep on the calling thread (Sleep).
void SleepMs(std::uint32_t ms);

// The calendar time now, in the local zone (GetLocalTime) and in UTC
// (GetSystemTime). Not replaced by SetClockForTesting.
std::tm LocalTimeNow();
std::tm UtcTimeNow();
// A moment given in seconds since 1970 (UTC), in the local zone.
std::tm LocalTimeAt(std::int64_t unix_seconds);

// Replaces the clock for the whole process; nullptr restores the real one.
// The caller keeps `clock` alive until it is replaced.
void SetClockForTesting(Clock* clock);

}  // namespace platform
