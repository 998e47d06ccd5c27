#include "resource_text.h"

#include <string_view>

#include "platform/text.h"

namespace kvt {

std::u16string ResourceText(std::span<const unsigned char> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(bytes[2 + 2 * i] | bytes[3 + 2 * i] << 8);
    }
    return text;
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3));
  }
  return platform::AnsiToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace kvt
