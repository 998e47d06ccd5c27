#include <array>
#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// Decodes the sequence at `pos` and moves past it. An invalid sequence yields
// nothing and moves past its longest valid prefix (at least one byte), so one
// U+FFFD stands for each maximal invalid part, as Unicode recommends.
std::optional<char32_t> DecodeOne(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  size_t length = 0;
  unsigned char second_low = 0x80, second_high = 0xBF;
  char32_t code = 0;
  if (InRange(lead, 0xC2, 0xDF)) {
    length = 2, code = lead & 0x1F;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    length = 3, code = lead & 0x0F;
    if (lead == 0xE0) second_low = 0xA0;   // overlong
    if (lead == 0xED) second_high = 0x9F;  // surrogates
  } else if (InRange(lead, 0xF0, 0xF4)) {
    length = 4, code = lead & 0x07;
    if (lead == 0xF0) second_low = 0x90;   // overlong
    if (lead == 0xF4) second_high = 0x8F;  // above U+10FFFF
  } else {
    ++pos;
    return std::nullopt;
  }
  size_t i = 1;
  for (; i < length && pos + i < text.size(); ++i) {
    const unsigned char next = byte(pos + i);
    const bool fits = i == 1 ? InRange(next, second_low, second_high) : InRange(next, 0x80, 0xBF);
    if (!fits) break;
    code = (code << 6) | (next & 0x3F);
  }
  pos += i;
  if (i < length) return std::nullopt;
  return code;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Upper-case ranges and the distance to their lower case. `every_other`
// ranges alternate upper, lower, upper... starting with `first`.
struct CaseRange {
  char16_t first;
  char16_t last;
  std::int16_t delta;
  bool every_other;
};

constexpr std::array<CaseRange, 35> kLowerCaseRanges{{
    {0x0041, 0x005A, 32, false},    // Basic Latin
    {0x00C0, 0x00D6, 32, false},    // Latin-1
    {0x00D8, 0x00DE, 32, false},
    {0x0100, 0x012F, 1, true},      // Latin Extended-A
    {0x0130, 0x0130, -199, false},  // capital I with dot -> i
    {0x0132, 0x0137, 1, true},
    {0x0139, 0x0148, 1, true},
    {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, -121, false},  // Y with diaeresis
    {0x0179, 0x017E, 1, true},
    {0x01CD, 0x01DC, 1, true},      // Pinyin letters with caron
    {0x0386, 0x0386, 38, false},    // Greek
    {0x0388, 0x038A, 37, false},
    {0x038C, 0x038C, 64, false},
    {0x038E, 0x038F, 63, false},
    {0x0391, 0x03A1, 32, false},
    {0x03A3, 0x03AB, 32, false},
    {0x0400, 0x040F, 80, false},    // Cyrillic
    {0x0410, 0x042F, 32, false},
    {0x0460, 0x0481, 1, true},
    {0x048A, 0x04BF, 1, true},
    {0x04C0, 0x04C0, 15, false},
    {0x04C1, 0x04CE, 1, true},
    {0x04D0, 0x052F, 1, true},
    {0x0531, 0x0556, 48, false},    // Armenian
    {0x10A0, 0x10C5, 7264, false},  // Georgian
    {0x1E00, 0x1E95, 1, true},      // Latin Extended Additional (Vietnamese)
    {0x1EA0, 0x1EFF, 1, true},
    {0x1F08, 0x1F0F, -8, false},    // Greek Extended, main blocks
    {0x1F18, 0x1F1D, -8, false},
    {0x1F28, 0x1F2F, -8, false},
    {0x1F38, 0x1F3F, -8, false},
    {0x2160, 0x216F, 16, false},    // Roman numerals
    {0x24B6, 0x24CF, 26, false},    // circled letters
    {0xFF21, 0xFF3A, 32, false},    // full-width Latin
}};

char16_t LowerOf(char16_t unit) {
  for (const CaseRange& range : kLowerCaseRanges) {
    if (unit < range.first) break;
    if (unit > range.last) continue;
    if (range.every_other && (unit - range.first) % 2 != 0) return unit;
    return static_cast<char16_t>(unit + range.delta);
  }
  return unit;
}

char32_t LowerOf(char32_t code) {
  return code <= 0xFFFF ? LowerOf(static_cast<char16_t>(code)) : code;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t code = DecodeOne(utf8, pos).value_or(kReplacement);
    if (code < 0x10000) {
      out += static_cast<char16_t>(code);
    } else {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    if (!DecodeOne(text, pos)) return false;
  }
  return true;
}

std::string ReplaceInvalidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t start = pos;
    if (DecodeOne(text, pos)) {
      out.append(text.substr(start, pos - start));
    } else {
      AppendUtf8(out, kReplacement);
    }
  }
  return out;
}

std::u16string ToLowerUtf16(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = LowerOf(unit);
  return out;
}

// Invalid bytes are kept as they are: lowering a name must not change what
// it refers to beyond its letters.
std::string ToLowerUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t start = pos;
    if (auto code = DecodeOne(text, pos)) {
      AppendUtf8(out, LowerOf(*code));
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string EscapeControlCharacters(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 0x20 && byte != 0x7F) || (c == '\n' && i + 1 == text.size())) {
      escaped += c;
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else {
      escaped += "\\x";
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0xF];
    }
  }
  return escaped;
}

}  // namespace platform
