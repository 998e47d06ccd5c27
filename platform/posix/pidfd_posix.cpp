#include <sys/syscall.h>
#include <unistd.h>

#include "pidfd.h"

namespace platform::posix {

UniqueFd OpenPidfd(int pid) { return UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))); }

int SignalThroughPidfd(int pidfd, int signal) {
  return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

}  // namespace platform::posix
