#pragma once
#include <cstdint>

namespace platform {

// GetCurrentThreadId: the calling thread's system-wide id.
std::uint32_t CurrentThreadId();

}  // namespace platform
