#pragma once

namespace platform {

// SetProcessWorkingSetSize(-1, -1): hands the memory the process has freed
// back to the system. True when the request could be made.
bool TrimProcessMemory();

}  // namespace platform
