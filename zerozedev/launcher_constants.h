#pragma once
// Names the launcher shares with the classroom client and the updater.

#include <string_view>

namespace zerozedev {

inline constexpr std::u16string_view kClientExeName = u"veskaroom.exe";
inline constexpr std::u16string_view kUrlPrefix = u"veska://";
inline constexpr std::string_view kInstanceMutexName = "Global\\veskaroom.exe";
inline constexpr std::string_view kClientUrlPipe = "\\\\.\\Pipe\\REZERU_veskaroom";
inline constexpr std::string_view kLauncherLogName = "zerozedev";
inline constexpr std::u16string_view kCrashServerPipe = u"\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe";
// Source tag of the entry's and the client run's records.
inline constexpr const char* kLogTag = "zerozedev";

}  // namespace zerozedev
