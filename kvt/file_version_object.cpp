// CKvtFileVerObject: a file version that can be loaded, printed and compared.

#include <algorithm>
#include <cstring>
#include <new>

#include "file_version.h"
#include "kvt_object.h"
#include "version_format.h"
#include "wide_text.h"

namespace kvt {
namespace {

// As memcmp on the two 8-byte records, each part stored low byte first:
// 1.256.0.0 is below 1.2.0.0, since 256's first byte (0) is below 2's.
std::int32_t CompareBytes(const FileVersion& mine, const FileVersion& other) {
  const std::uint16_t a[] = {mine.major, mine.minor, mine.build, mine.revision};
  const std::uint16_t b[] = {other.major, other.minor, other.build, other.revision};
  for (std::size_t i = 0; i < 4; ++i) {
    for (int shift : {0, 8}) {
      const unsigned x = (a[i] >> shift) & 0xFF;
      const unsigned y = (b[i] >> shift) & 0xFF;
      if (x != y) return x < y ? -1 : 1;
    }
  }
  return 0;
}

// wcscpy_s, but a text that does not fit is a failure that leaves the
// buffer empty, not the end of the process.
HRESULT CopyText(const std::optional<std::u16string>& text, char16_t* buffer, std::uint32_t count) {
  if (buffer == nullptr || count == 0) return kEFail;
  if (!text || text->size() >= count) {
    buffer[0] = u'\0';
    return kEFail;
  }
  std::copy(text->begin(), text->end(), buffer);
  buffer[text->size()] = u'\0';
  return kSOk;
}

class CKvtFileVerObject final : public KvtObject<IKvtFileVer, IID_IKvtFileVer> {
 public:
  HRESULT Load(const char16_t* path) override {
    version_ = {};
    if (path == nullptr) return kEFail;
    const auto read = ReadFileVersion(Utf8Arg(path));
    if (!read) return kEFail;
    version_ = *read;
    return kSOk;
  }

  HRESULT Clear() override {
    version_ = {};
    return kSOk;
  }

  HRESULT GetVersion(FileVersion* out) override {
    if (out == nullptr) return kEFail;
    *out = version_;
    return kSOk;
  }

  HRESULT GetVersionString(char16_t* buffer, std::uint32_t count) override {
    if (buffer == nullptr) return kEFail;
    return CopyText(DottedText(), buffer, count);
  }

  HRESULT FormatVersion(const char16_t* format, char16_t* buffer, std::uint32_t count) override {
    if (buffer == nullptr || format == nullptr) return kEFail;
    return CopyText(kvt::FormatVersion(format, version_), buffer, count);
  }

  std::int32_t CompareWithFile(const char16_t* path) override {
    const auto other = path != nullptr ? ReadFileVersion(Utf8Arg(path)) : std::nullopt;
    if (!other) return 1;
    return CompareBytes(version_, *other);
  }

  std::int32_t CompareWithVersion(const FileVersion* other) override {
    if (other == nullptr) return 1;
    return CompareBytes(version_, *other);
  }

  // By UTF-16 unit, as wcscmp.
  std::int32_t CompareWithString(const char16_t* text) override {
    if (text == nullptr) return 1;
    const std::u16string mine = DottedText();
    const int order = mine.compare(std::u16string_view(text));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
  }

 private:
  std::u16string DottedText() const { return *kvt::FormatVersion(u"%d.%d.%d.%d", version_); }

  FileVersion version_{};
};

}  // namespace

IKvtFileVer* NewFileVersionObject() { return WithFirstReference(new (std::nothrow) CKvtFileVerObject()); }

}  // namespace kvt
