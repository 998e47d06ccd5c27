#pragma once
// The names of one crash report: the dump takes the client's log name with
// "qelLog" turned into "qelCrash" and the first "log" after that into "dmp";
// both files live in the dump's folder, beside the package named after the
// local time.
//
// On this platform paths are cut and joined at "/". A "\" inside a name the
// client sends is an ordinary file-name byte here, so "qelLog\a.log" names
// one file whose dump becomes "qelCrash\a.dmp".

#include <optional>
#include <string>
#include <string_view>

#include "zerozedev/crash/calendar_clock.h"

namespace google_breakpad {

// The dump's name for a log name; nothing when the log name lacks "qelLog",
// or lacks "log" once that is replaced (both case-sensitive).
std::optional<std::u16string> CrashNameFor(std::u16string_view log_name);

// Whether a name the client sent stays inside the folder it is joined to: not
// empty, not absolute ("/x", "\x", "C:x"), and no ".." step between "/" or
// "\" separators (a package unpacked on Windows splits at both).
bool StaysInsideFolder(std::u16string_view name);

// Text before the last "/" of a path; the whole path when it has none.
std::u16string FolderOf(std::u16string_view path);

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// Year, month, day, hour, minute and second in decimal without leading
// zeros, then ".zip": 2023-03-05 09:07:05 gives "202335975.zip".
std::u16string PackageFileName(const CalendarTime& local_time);

}  // namespace google_breakpad
