#pragma once
// What a registered client keeps in its own memory for the server to read.
// The registration request carries the addresses of these records in 32-bit
// fields, so the client places them in memory mapped below 4 GiB (MAP_32BIT
// on x86-64); the server reads them with process_vm_readv, which needs no
// stop of the client and fails cleanly on an address that is not mapped.
// Both sides compile this header, so the layouts are pinned with asserts.

#include <cstdint>

#include "outside/crash_generation/thread_registers.h"

namespace google_breakpad {

inline constexpr uint32_t kCustomInfoNameLength = 64;   // UTF-16 units, NUL included
inline constexpr uint32_t kCustomInfoValueLength = 64;
// The server reads at most this many custom entries, whatever count a client
// announces.
inline constexpr uint32_t kMaxCustomInfoEntries = 64;

struct CustomInfoEntry {
  char16_t name[kCustomInfoNameLength] = {};
  char16_t value[kCustomInfoValueLength] = {};
};
static_assert(sizeof(CustomInfoEntry) == 256);

struct AssertionInfo {
  char16_t expression[128] = {};
  char16_t function[128] = {};
  char16_t file[128] = {};
  uint32_t line = 0;
  uint32_t type = 0;  // 0: no assertion recorded
};
static_assert(sizeof(AssertionInfo) == 776);

// The signal that stopped the crashing thread and the thread's registers at
// that moment, taken from the handler's ucontext. The exception-pointers
// variable holds this record's address once a crash is being reported (and
// 0 before), the way the variable is used on the original platform.
struct CrashContextRecord {
  uint32_t signal_number = 0;
  int32_t signal_code = 0;
  uint64_t fault_address = 0;
  ThreadRegisters registers;
};
static_assert(sizeof(CrashContextRecord) == 16 + sizeof(ThreadRegisters));

}  // namespace google_breakpad
