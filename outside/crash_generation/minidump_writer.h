#pragma once
// Writes a minidump of a live process: system information, every thread with
// its registers and stack, the loaded ELF modules with their build ids, the
// memory those stacks occupy, and, for a crash, the exception stream naming
// the crashing thread with the registers its signal handler saw. The
// process's threads are held stopped (ptrace) while they are read.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/result.h"
#include "outside/crash_generation/crash_info_block.h"

namespace google_breakpad {

struct CrashDetails {
  uint32_t thread_id = 0;
  CrashContextRecord context;
};

// Creates `path` (which must not exist yet); on failure nothing is left at
// `path`.
platform::Status WriteMinidump(int pid, const std::optional<CrashDetails>& crash,
                               const std::string& path);

}  // namespace google_breakpad
