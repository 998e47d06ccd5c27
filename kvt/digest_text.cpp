#include "digest_text.h"

namespace kvt {

bool WriteDigestText(const Md5& digest, char16_t* text, std::uint32_t count) {
  if (text == nullptr || count < kDigestTextCount) return false;
  constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (std::size_t i = 0; i < digest.size(); ++i) {
    text[2 * i] = kDigits[digest[i] >> 4];
    text[2 * i + 1] = kDigits[digest[i] & 0x0F];
  }
  text[2 * digest.size()] = u'\0';
  text[kDigestTextCount - 1] = u'\0';
  return true;
}

}  // namespace kvt
