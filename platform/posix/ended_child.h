#pragma once

#include <optional>

namespace platform::posix {

enum class ChildEnd { kRunning, kCollected, kNotOurs };

// Collects our child's status when, and only when, it has ended. A stop (a
// debugger or the crash dump writer holding the child) is not an end: waitpid
// would report it, and the caller would take a live child for gone.
ChildEnd CollectIfEnded(int pid, std::optional<int>* exit_code);

}  // namespace platform::posix
