// A resource of any content read as text the way ExtractResourceToXMLString
// reads it (UTF-16 after FF FE, UTF-8 after EF BB BF, else the ANSI code
// page), and handed out as a system string.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "kvt.h"
#include "platform/text.h"
#include "resource_text.h"
#include "system_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  const std::u16string text = kvt::ResourceText(bytes);

  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    // Every whole unit after the mark, an odd last byte left out.
    FUZZ_CHECK(text.size() == (size - 2) / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
      FUZZ_CHECK(text[i] == static_cast<char16_t>(data[2 + 2 * i] | data[3 + 2 * i] << 8));
    }
  } else {
    // UTF-8 (the ANSI code page here too): invalid sequences become U+FFFD.
    const std::size_t skip = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    const std::string_view encoded(reinterpret_cast<const char*>(data) + skip, size - skip);
    FUZZ_CHECK(platform::Utf16ToUtf8(text) == platform::ReplaceInvalidUtf8(encoded));
  }

  // The system string: byte count before the text, terminator after it.
  char16_t* system = kvt::AllocSystemString(text);
  FUZZ_CHECK(system != nullptr);
  std::uint32_t count = 0;
  std::memcpy(&count, reinterpret_cast<const unsigned char*>(system) - sizeof count, sizeof count);
  FUZZ_CHECK(count == 2 * text.size());
  FUZZ_CHECK(std::u16string_view(system, text.size()) == text && system[text.size()] == u'\0');
  KvtSysFreeString(system);
  return 0;
}
