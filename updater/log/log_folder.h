#pragma once
// Where the updater's log files live:
// <local application data>/trvo/logs/Updater/<program name>.

#include <string>
#include <string_view>

namespace updater {

// The program's file name without its folder, cut before the last ".exe"
// (matched case-sensitively; a name without it stays whole).
std::string LogProgramName(std::string_view programPath);

// The log folder, created when missing; empty when it cannot be had.
std::string UpdaterLogFolder();

}  // namespace updater
