#pragma once
// A digest's text form: 32 upper-case hexadecimal digits and a terminator,
// into a buffer of at least 42 characters whose index 41 is also set to 0.

#include <cstdint>

#include "md5_digest.h"

namespace kvt {

inline constexpr std::uint32_t kDigestTextCount = 42;

// False, with the buffer untouched, for a missing buffer or one too small.
bool WriteDigestText(const Md5& digest, char16_t* text, std::uint32_t count);

}  // namespace kvt
