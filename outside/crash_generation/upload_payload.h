#pragma once
// The upload payload a client sends with an upload request: up to 16 named
// UTF-16 values. Entry 0's value names the client's log file; the entries
// after it are named parameters.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace google_breakpad {

inline constexpr size_t kUploadEntryCount = 16;
inline constexpr size_t kUploadNameLength = 64;    // UTF-16 units, NUL included
inline constexpr size_t kUploadValueLength = 128;  // UTF-16 units, NUL included

struct UploadEntry {
  char16_t name[kUploadNameLength] = {};
  char16_t value[kUploadValueLength] = {};
};

struct UploadPayload {
  std::array<UploadEntry, kUploadEntryCount> entries{};
  // As received: a request whose count exceeds kUploadEntryCount is refused
  // before anyone looks at the entries.
  uint32_t count = 0;
};

// Text up to the terminator, or nothing when the array holds no NUL.
std::optional<std::u16string_view> TerminatedText(const char16_t* units, size_t capacity);

// Fills entry `index` and raises `count` to cover it. False (payload left as
// it was) when the index is out of range or a text does not fit with its NUL.
bool SetUploadEntry(UploadPayload& payload, size_t index, std::u16string_view name,
                    std::u16string_view value);

// Every entry below `count` carries both terminators, and `count` fits.
bool IsWellFormed(const UploadPayload& payload);

}  // namespace google_breakpad
