// Is64bitDLL: the machine field of a PE image's file header (and, on Linux,
// the class and machine of an ELF image).

#include <array>
#include <cstdint>
#include <cstring>

#include "kvt.h"
#include "platform/shared_file.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderOffsetAt = 60;
constexpr std::size_t kSignatureSize = 4;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineIa64 = 0x200;

constexpr std::uint8_t kElfClass64 = 2;
constexpr std::uint16_t kElfMachineX86_64 = 62;
constexpr std::uint16_t kElfMachineIa64 = 50;

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::int32_t Le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                   (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}

bool IsElf64Image(const std::array<std::uint8_t, kDosHeaderSize>& head) {
  if (std::memcmp(head.data(), "\x7f" "ELF", 4) != 0 || head[4] != kElfClass64) return false;
  const std::uint16_t machine = Le16(head.data() + 18);
  return machine == kElfMachineX86_64 || machine == kElfMachineIa64;
}

bool Is64BitImage(const platform::SharedFile& file) {
  std::array<std::uint8_t, kDosHeaderSize> head{};
  if (!file.ReadAt(0, head.data(), head.size())) return false;
  if (IsElf64Image(head)) return true;
  if (head[0] != 'M' || head[1] != 'Z') return false;
  const std::int32_t new_header = Le32(head.data() + kNewHeaderOffsetAt);
  if (new_header < 0) return false;
  std::array<std::uint8_t, kFileHeaderSize> file_header{};
  if (!file.ReadAt(static_cast<std::uint64_t>(new_header) + kSignatureSize, file_header.data(),
                   file_header.size())) {
    return false;
  }
  const std::uint16_t machine = Le16(file_header.data());
  return machine == kMachineAmd64 || machine == kMachineIa64;
}

}  // namespace
}  // namespace kvt

extern "C" bool Is64bitDLL(const char16_t* path) {
  if (path == nullptr) return false;
  const auto file =
      platform::SharedFile::Open(kvt::Utf8Arg(path), platform::kAccessRead,
                                 platform::kShareRead | platform::kShareWrite,
                                 platform::FileDisposition::kOpenExisting);
  return file && kvt::Is64BitImage(*file);
}
