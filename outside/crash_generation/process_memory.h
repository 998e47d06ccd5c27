#pragma once
// Reading another process's memory (process_vm_readv). Needs the same
// permission as ptrace attach: the server is the client's parent or root.

#include <cstddef>
#include <cstdint>
#include <string>

namespace google_breakpad {

// Bytes copied from [address, address + size) of process `pid`; fewer than
// `size` when the range runs into memory that is not mapped or readable.
size_t ReadProcessMemory(int pid, uint64_t address, void* buffer, size_t size);

// All `size` bytes or false.
bool ReadProcessMemoryExact(int pid, uint64_t address, void* buffer, size_t size);

// Whole contents of a small /proc file (maps, status, ...); empty when it
// cannot be read.
std::string ReadProcFile(int pid, const char* name);

}  // namespace google_breakpad
