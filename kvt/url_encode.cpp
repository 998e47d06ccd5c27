// KvtUrlEncodeW and KvtUrlEncodeA: percent-encoding of text for addresses.

#include <cstdint>
#include <string_view>

#include "kvt.h"

namespace {

constexpr std::u16string_view kWideReserved = u"%^&'{}|[]\"<>\\ ";
constexpr std::string_view kNarrowReserved = "%^&'{}|[]<>\\ ";

template <class Char>
class Writer {
 public:
  explicit Writer(Char* out) : out_(out) {}
  void Put(Char c) { out_[written_++] = c; }
  void Escape(unsigned byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    Put(Char('%'));
    Put(Char(kDigits[(byte >> 4) & 0x0F]));
    Put(Char(kDigits[byte & 0x0F]));
  }
  int32_t Finish() {
    out_[written_] = Char(0);
    return static_cast<int32_t>(written_);
  }

 private:
  Char* out_;
  std::size_t written_ = 0;
};

}  // namespace

extern "C" {

// Each UTF-16 unit is encoded by itself, as UTF-8 would encode a character
// of that value: the halves of a surrogate pair become two 3-byte sequences.
int32_t KvtUrlEncodeW(const char16_t* text, char16_t* out) {
  if (out == nullptr) return 0;
  Writer<char16_t> writer(out);
  for (const char16_t* p = text; p != nullptr && *p != 0; ++p) {
    const unsigned c = *p;
    if (kWideReserved.find(*p) != std::u16string_view::npos) {
      writer.Escape(c);
    } else if (c >= 0x800) {
      writer.Escape(0xE0 | (c >> 12));
      writer.Escape(0x80 | ((c >> 6) & 0x3F));
      writer.Escape(0x80 | (c & 0x3F));
    } else if (c >= 0x80) {
      writer.Escape(0xC0 | (c >> 6));
      writer.Escape(0x80 | (c & 0x3F));
    } else {
      writer.Put(*p);
    }
  }
  return writer.Finish();
}

// Bytes of 0x80 and above are dropped: neither copied nor encoded.
int32_t KvtUrlEncodeA(const char* text, char* out) {
  if (out == nullptr) return 0;
  Writer<char> writer(out);
  for (const char* p = text; p != nullptr && *p != 0; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (kNarrowReserved.find(*p) != std::string_view::npos) {
      writer.Escape(byte);
    } else if (byte < 0x80) {
      writer.Put(*p);
    }
  }
  return writer.Finish();
}

}  // extern "C"
