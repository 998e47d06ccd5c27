#include "outside/crash_generation/upload_payload.h"

#include <algorithm>

namespace google_breakpad {

std::optional<std::u16string_view> TerminatedText(const char16_t* units, size_t capacity) {
  const char16_t* end = std::find(units, units + capacity, u'\0');
  if (end == units + capacity) return std::nullopt;
  return std::u16string_view(units, static_cast<size_t>(end - units));
}

bool SetUploadEntry(UploadPayload& payload, size_t index, std::u16string_view name,
                    std::u16string_view value) {
  if (index >= kUploadEntryCount) return false;
  if (name.size() >= kUploadNameLength || value.size() >= kUploadValueLength) return false;
  UploadEntry entry;
  std::copy(name.begin(), name.end(), entry.name);
  std::copy(value.begin(), value.end(), entry.value);
  payload.entries[index] = entry;
  payload.count = std::max<uint32_t>(payload.count, static_cast<uint32_t>(index + 1));
  return true;
}

bool IsWellFormed(const UploadPayload& payload) {
  if (payload.count > kUploadEntryCount) return false;
  for (size_t i = 0; i < payload.count; ++i) {
    const UploadEntry& entry = payload.entries[i];
    if (!TerminatedText(entry.name, kUploadNameLength)) return false;
    if (!TerminatedText(entry.value, kUploadValueLength)) return false;
  }
  return true;
}

}  // namespace google_breakpad
