// ReadFileVersion and the version exports.

#include "file_version.h"

#include <algorithm>
#include <array>

#include "pe_resources.h"
#include "platform/shared_file.h"
#include "platform/text.h"
#include "version_block.h"
#include "version_format.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr std::size_t kFixedFileInfoSize = 52;
constexpr std::size_t kFileVersionMsAt = 8;
constexpr std::size_t kFileVersionLsAt = 12;

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

std::u16string DottedVersion(const FileVersion& v) {
  return platform::Utf8ToUtf16(std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                               std::to_string(v.build) + "." + std::to_string(v.revision));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path) {
  const auto file = platform::SharedFile::Open(path, platform::kAccessRead,
                                               platform::kShareRead | platform::kShareWrite,
                                               platform::FileDisposition::kOpenExisting);
  if (!file) return std::nullopt;
  std::array<std::uint8_t, 4> magic{};
  if (!file->ReadAt(0, magic.data(), magic.size())) return std::nullopt;
  if (magic[0] == 'M' && magic[1] == 'Z') return ReadPeVersionResource(*file);
  return ReadOwnModuleVersionResource(path);
}

std::optional<FileVersion> ReadFileVersion(const std::string& path) {
  const auto block = ReadVersionBlock(path);
  if (!block) return std::nullopt;
  const auto fixed = QueryVersionValue(*block, u"\\");
  if (!fixed) return std::nullopt;
  FileVersion version{};
  if (fixed->size() == kFixedFileInfoSize) {
    const std::uint32_t most = Le32(fixed->data() + kFileVersionMsAt);
    const std::uint32_t least = Le32(fixed->data() + kFileVersionLsAt);
    version = {static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most),
               static_cast<std::uint16_t>(least >> 16), static_cast<std::uint16_t>(least)};
  }
  return version;
}

}  // namespace kvt

extern "C" {

bool GetFileVersionString(const char16_t* path, char16_t* buffer) {
  if (path == nullptr || buffer == nullptr) return false;
  const auto version = kvt::ReadFileVersion(kvt::Utf8Arg(path));
  if (!version) return false;
  const std::u16string text = kvt::DottedVersion(*version);
  // The caller's buffer holds 24 characters: "65535.65535.65535.65535" and
  // its terminator.
  text.copy(buffer, text.size());
  buffer[text.size()] = u'\0';
  return true;
}

bool GetFileVersionStringEx(const char16_t* path, const char16_t* format, char16_t* buffer) {
  if (path == nullptr || format == nullptr || buffer == nullptr) return false;
  const auto version = kvt::ReadFileVersion(kvt::Utf8Arg(path));
  if (!version) return false;
  const auto text = kvt::FormatVersion(format, *version);
  if (!text) return false;
  text->copy(buffer, text->size());
  buffer[text->size()] = u'\0';
  return true;
}

bool KvtDllGetVersion(const char16_t* path, FileVersion* out) {
  if (path == nullptr || out == nullptr) return false;
  const auto version = kvt::ReadFileVersion(kvt::Utf8Arg(path));
  if (!version) return false;
  *out = *version;
  return true;
}

bool KvtDllGetVersionString(const char16_t* path, char16_t* buffer, uint32_t count) {
  if (path == nullptr || buffer == nullptr || count == 0) return false;
  const auto version = kvt::ReadFileVersion(kvt::Utf8Arg(path));
  if (!version) return false;
  const std::u16string text = kvt::DottedVersion(*version);
  const std::size_t n = std::min<std::size_t>(text.size(), count - 1);
  text.copy(buffer, n);
  buffer[n] = u'\0';
  return true;
}

}  // extern "C"
