#pragma once
// The exports' UTF-16 arguments as the platform layer takes them.

#include <string>
#include <string_view>

#include "platform/text.h"

namespace kvt {

// A wide argument that may be missing: a missing one reads as empty.
inline std::u16string_view WideArg(const char16_t* text) {
  return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

inline std::string Utf8Arg(const char16_t* text) { return platform::Utf16ToUtf8(WideArg(text)); }

}  // namespace kvt
