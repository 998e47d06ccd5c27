#pragma once
// Process descriptors, called through syscall(): Debian 12's <sys/pidfd.h>
// declares its wrappers without C linkage, so C++ cannot link them.

#include "platform/unique_fd.h"

namespace platform::posix {

// pidfd_open(pid); invalid with errno set on failure (ENOSYS: no support).
UniqueFd OpenPidfd(int pid);
// pidfd_send_signal; 0 or -1 with errno.
int SignalThroughPidfd(int pidfd, int signal);

}  // namespace platform::posix
