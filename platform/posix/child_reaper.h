#pragma once
#include "platform/unique_fd.h"

namespace platform::posix {

// Takes over a child of ours whose handle was dropped while it still ran and
// reaps it once it ends, so it never stays a zombie. `pidfd` may be invalid
// (no pidfd support); the child is then looked at every few milliseconds.
void ReapInBackground(int pid, UniqueFd pidfd);

}  // namespace platform::posix
