#pragma once
// A snapshot of the processes running on the machine.

#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

struct ProcessEntry {
  int pid = 0;
  int parent_pid = 0;
  // File name of the executable ("veskaroom.exe"), without its folder.
  std::string exe_name;
};

// Processes that have ended but are not yet reaped (zombies) are left out:
// they no longer run.
Result<std::vector<ProcessEntry>> SnapshotProcesses();

}  // namespace platform
