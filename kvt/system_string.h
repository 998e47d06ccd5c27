#pragma once
// System strings (BSTR): a 32-bit byte count, the UTF-16 text and a
// terminator; the caller holds a pointer to the text and frees it with
// KvtSysFreeString.

#include <cstdint>
#include <string_view>

namespace kvt {

// SysAllocStringLen: null when memory runs out.
char16_t* AllocSystemString(std::u16string_view text);

}  // namespace kvt
