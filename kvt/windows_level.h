#pragma once
// The Windows major version the helpers compare against (Vista is 6).

#include <cstdint>

namespace kvt {

std::uint32_t WindowsMajorVersion();

}  // namespace kvt
