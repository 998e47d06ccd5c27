#pragma once
// A thread's registers as the CONTEXT_AMD64 record of a minidump.

#include <array>
#include <cstdint>

#include "outside/crash_generation/minidump_format.h"
#include "outside/crash_generation/thread_registers.h"

namespace google_breakpad {

std::array<uint8_t, minidump::kContextAmd64Size> EncodeAmd64Context(const ThreadRegisters& registers);

}  // namespace google_breakpad
