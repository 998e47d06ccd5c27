#pragma once
// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS, as the desktop serves it:
// "open" starts a program directly and hands documents and addresses to the
// desktop's opener (xdg-open); "runas" starts a program through the
// elevation helper (pkexec). Both helpers are found on PATH.

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace kvt {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

enum class ShellVerb { kOpen, kRunAs };

// Waits up to `wait_ms` (0: not at all, kInfinite: without limit) for the
// started process. False when nothing could be started.
bool ShellExecute(ShellVerb verb, const std::string& file, const std::string& parameters, std::uint32_t wait_ms);

// WaitForSingleObject on a started process.
void WaitForProcess(platform::Process& process, std::uint32_t wait_ms);

}  // namespace kvt
