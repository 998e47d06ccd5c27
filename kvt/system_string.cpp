#include "system_string.h"

#include <cstdlib>
#include <cstring>

#include "kvt.h"

namespace kvt {

char16_t* AllocSystemString(std::u16string_view text) {
  const std::size_t bytes = text.size() * sizeof(char16_t);
  if (bytes > UINT32_MAX) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(char16_t)));
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, sizeof prefix);
  auto* chars = reinterpret_cast<char16_t*>(block + sizeof prefix);
  if (bytes != 0) std::memcpy(chars, text.data(), bytes);
  chars[text.size()] = u'\0';
  return chars;
}

}  // namespace kvt

extern "C" void KvtSysFreeString(KvtBSTR text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(text) - sizeof(std::uint32_t));
}
