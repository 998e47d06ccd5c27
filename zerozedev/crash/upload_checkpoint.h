#pragma once
// The checkpoint of successful crash uploads, "crash.checkpoint" in the
// current directory (the launcher's folder):
//
//   GBP1
//   <UTC date of the last successful upload, yyyymmdd>
//   <successful uploads on that date>

#include <string>
#include <string_view>

#include "zerozedev/crash/calendar_clock.h"

namespace google_breakpad {

inline constexpr const char* kCheckpointFileName = "crash.checkpoint";

struct UploadCounters {
  int last_date = -1;  // none recorded
  int uploads = 0;

  bool operator==(const UploadCounters&) const = default;
};

// year * 10000 + month * 100 + day.
int DateNumber(const CalendarTime& time);

// Counters from the file's text. A first line other than "GBP1" means none
// recorded; a date that cannot be read leaves the count unread too; a count
// that cannot be read is 0. Numbers that do not fit an int cannot be read.
UploadCounters ParseCheckpoint(std::string_view text);

// The file's counters; none recorded when it is missing or unreadable.
UploadCounters ReadCheckpoint(const std::string& path);

// After one more successful upload on `today`: a new date starts counting at 1.
UploadCounters CountUpload(UploadCounters counters, int today);

// Replaces the file as a whole (written beside it, then renamed over it), so
// that an interrupted write never leaves a torn checkpoint behind.
bool WriteCheckpoint(const std::string& path, const UploadCounters& counters);

}  // namespace google_breakpad
