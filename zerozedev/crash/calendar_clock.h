#pragma once
// Calendar time for crash reports: the package name uses local time, the
// checkpoint counts uploads per UTC day (GetLocalTime / GetSystemTime). Tests
// replace the clock to play any date without waiting for it.

namespace google_breakpad {

struct CalendarTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class CalendarClock {
 public:
  virtual ~CalendarClock() = default;
  virtual CalendarTime LocalNow() = 0;
  virtual CalendarTime UtcNow() = 0;
};

CalendarTime LocalNow();
CalendarTime UtcNow();

// Replaces the clock for the whole process; nullptr restores the real one.
// The caller keeps `clock` alive until it is replaced.
void SetCalendarClockForTesting(CalendarClock* clock);

}  // namespace google_breakpad
