#pragma once
// A calendar that stands still until the test moves it, installed for the
// life of the object.

#include <mutex>

#include "zerozedev/crash/calendar_clock.h"

namespace crash_test {

class FixedCalendar : public google_breakpad::CalendarClock {
 public:
  FixedCalendar(google_breakpad::CalendarTime local, google_breakpad::CalendarTime utc)
      : local_(local), utc_(utc) {
    google_breakpad::SetCalendarClockForTesting(this);
  }
  ~FixedCalendar() override { google_breakpad::SetCalendarClockForTesting(nullptr); }
  FixedCalendar(const FixedCalendar&) = delete;
  FixedCalendar& operator=(const FixedCalendar&) = delete;

  google_breakpad::CalendarTime LocalNow() override {
    std::lock_guard lock(mutex_);
    return local_;
  }
  google_breakpad::CalendarTime UtcNow() override {
    std::lock_guard lock(mutex_);
    return utc_;
  }
  void Set(google_breakpad::CalendarTime local, google_breakpad::CalendarTime utc) {
    std::lock_guard lock(mutex_);
    local_ = local;
    utc_ = utc;
  }

 private:
  std::mutex mutex_;
  google_breakpad::CalendarTime local_;
  google_breakpad::CalendarTime utc_;
};

}  // namespace crash_test
