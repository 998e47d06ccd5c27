#pragma once
// Finding a running process by the file name of its executable.

#include <cstdint>
#include <string>

// Id of the first running process whose executable file name equals `name`
// ignoring ASCII letter case; 0 when there is none or the process list cannot
// be read. A process that has ended but was not yet reaped does not count.
// Logs the name of every process passed over before the match.
std::uint32_t FindProcess_ByName(const std::string& name);
