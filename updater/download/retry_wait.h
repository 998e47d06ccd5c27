#pragma once
#include <cstdint>

// Milliseconds to wait before retry number `retry`: 2^retry seconds, held at
// the largest 32-bit value once it would pass it.
std::uint32_t RetryWaitMs(int retry);
