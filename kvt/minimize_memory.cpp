// MinimizeMemory: the freed memory of the process goes back to the system.

#include "kvt.h"
#include "platform/memory_trim.h"

extern "C" int32_t MinimizeMemory(void) { return platform::TrimProcessMemory() ? 1 : 0; }
