#include "zerozedev/crash/calendar_clock.h"

#include <atomic>
#include <ctime>

#include "platform/clock.h"

namespace google_breakpad {
namespace {

CalendarTime FromTm(const std::tm& parts) {
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

class SystemCalendarClock : public CalendarClock {
 public:
  CalendarTime LocalNow() override { return FromTm(platform::LocalTimeNow()); }
  CalendarTime UtcNow() override { return FromTm(platform::UtcTimeNow()); }
};

SystemCalendarClock system_clock;
std::atomic<CalendarClock*> current_clock{&system_clock};

}  // namespace

CalendarTime LocalNow() { return current_clock.load()->LocalNow(); }
CalendarTime UtcNow() { return current_clock.load()->UtcNow(); }

void SetCalendarClockForTesting(CalendarClock* clock) {
  current_clock.store(clock != nullptr ? clock : &system_clock);
}

}  // namespace google_breakpad
