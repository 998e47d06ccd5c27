#pragma once
// Names of the launcher-client pipe.

#include <string>

inline constexpr char kPipeNamePrefix[] = "\\\\.\\pipe\\np.";

// "<process id>_<draw>": the draw is the next output of one process-wide
// mt19937 with its default seed, so the first name of every process ends in
// _3499211612 and processes differ by their id. Thread-safe.
std::string DrawPipeShortName();

// The full pipe name for a short name.
std::string PipeNameForShortName(const std::string& short_name);
