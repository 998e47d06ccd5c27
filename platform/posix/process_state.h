#pragma once
// What a Process handle holds on this backend.

#include <mutex>
#include <optional>

#include "platform/process.h"
#include "platform/unique_fd.h"

namespace platform {

struct Process::State {
  int pid = -1;
  UniqueFd pidfd;        // invalid where the kernel has no pidfd_open
  bool is_child = false; // started by Spawn: ours to reap
  // Guards the fields below: a handle may be queried from a second thread
  // (for example a check that reads the exit code while another waits).
  std::mutex mutex;
  bool reaped = false;
  std::optional<int> exit_code;
};

}  // namespace platform
