#pragma once
// The GNU build id of an ELF image as it is loaded in a process: debuggers
// match a module in a dump to its file on disk by this id.

#include <cstdint>
#include <vector>

namespace google_breakpad {

// True when memory at `base` in process `pid` starts with a 64-bit ELF header.
bool IsLoadedElfImage(int pid, uint64_t base);

// The build id from the image's PT_NOTE segments, found through its program
// headers in memory; empty when the image has none or cannot be read.
std::vector<uint8_t> ReadLoadedElfBuildId(int pid, uint64_t base);

}  // namespace google_breakpad
