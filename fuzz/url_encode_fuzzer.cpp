// Text of any content percent-encoded by both exports, each into a buffer of
// exactly the size its callers are told to provide (nine units per UTF-16
// unit, three bytes per byte, and the terminator): nothing written past it,
// the count returned is the text's length, and decoding the escapes gives the
// text back (the narrow one without its bytes of 0x80 and above).

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "kvt.h"

namespace {

int HexDigit(unsigned c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;  // the encoders write upper case only
}

// The bytes the escapes stand for, other units as they are; nothing when a
// "%" is not followed by two hexadecimal digits.
template <class Char>
std::optional<std::vector<unsigned>> Unescape(const std::basic_string<Char>& encoded) {
  std::vector<unsigned> units;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const unsigned c = static_cast<std::make_unsigned_t<Char>>(encoded[i]);
    if (c != '%') {
      units.push_back(c);
      continue;
    }
    if (i + 2 >= encoded.size()) return std::nullopt;
    const int high = HexDigit(static_cast<std::make_unsigned_t<Char>>(encoded[i + 1]));
    const int low = HexDigit(static_cast<std::make_unsigned_t<Char>>(encoded[i + 2]));
    if (high < 0 || low < 0) return std::nullopt;
    units.push_back(static_cast<unsigned>(high * 16 + low));
    i += 2;
  }
  return units;
}

// Each UTF-16 unit was written as UTF-8 would write a character of its value.
std::optional<std::u16string> DecodeUnits(const std::vector<unsigned>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned lead = bytes[i];
    const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || i + length > bytes.size()) return std::nullopt;
    unsigned value = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
    for (std::size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return std::nullopt;
      value = value << 6 | (bytes[i + k] & 0x3F);
    }
    text += static_cast<char16_t>(value);
    i += length;
  }
  return text;
}

void CheckWide(const std::uint8_t* data, std::size_t size) {
  std::u16string text = fuzz::Utf16Units(data, size);
  text = text.substr(0, text.find(u'\0'));
  std::vector<char16_t> out(9 * text.size() + 1, u'\xFFFF');
  const std::int32_t written = KvtUrlEncodeW(text.c_str(), out.data());
  FUZZ_CHECK(written >= 0 && static_cast<std::size_t>(written) < out.size());
  const std::u16string encoded(out.data(), static_cast<std::size_t>(written));
  FUZZ_CHECK(out[written] == u'\0' && encoded.find(u'\0') == std::u16string::npos);
  const auto bytes = Unescape(encoded);
  FUZZ_CHECK(bytes.has_value());
  FUZZ_CHECK(DecodeUnits(*bytes) == text);
}

void CheckNarrow(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));
  std::vector<char> out(3 * text.size() + 1, '\x7F');
  const std::int32_t written = KvtUrlEncodeA(text.c_str(), out.data());
  FUZZ_CHECK(written >= 0 && static_cast<std::size_t>(written) < out.size());
  const std::string encoded(out.data(), static_cast<std::size_t>(written));
  FUZZ_CHECK(out[written] == '\0' && encoded.find('\0') == std::string::npos);
  const auto bytes = Unescape(encoded);
  FUZZ_CHECK(bytes.has_value());
  std::vector<unsigned> kept;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x80) kept.push_back(static_cast<unsigned char>(c));
  }
  FUZZ_CHECK(*bytes == kept);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckWide(data, size);
  CheckNarrow(data, size);
  return 0;
}
