#pragma once
// One process as /proc shows it.

#include <optional>

#include "platform/process_list.h"

namespace platform::posix {

// The process `pid` with its parent and executable name; nothing when it is
// gone or has ended and waits to be reaped (a zombie).
std::optional<ProcessEntry> ReadProcessEntry(int pid);

}  // namespace platform::posix
