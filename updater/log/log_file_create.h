#pragma once
// A new log file named <name>_<millisecond tick>.log.

#include <cstdint>
#include <cstdio>
#include <string>

namespace updater {

// Milliseconds since an arbitrary start (the machine's boot on Linux); the
// file name shows its low 32 bits as a signed number.
std::int64_t LogMillisecondTick();

struct CreatedLogFile {
  std::FILE* file = nullptr;  // null when no file could be created
  std::string path;
};

// Creates folder/<name>_<tick>.log, private to the user (0600). An existing file is never truncated: a
// second file within the same millisecond becomes <name>_<tick>_1.log, then _2...
CreatedLogFile CreateLogFile(const std::string& folder, const std::string& name, std::int64_t tick);

}  // namespace updater
