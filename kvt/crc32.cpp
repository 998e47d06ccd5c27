// KvtGetCRC32: the standard CRC-32 (reflected polynomial 0xEDB88320), the
// value zlib's crc32 gives. Eight bytes a step through eight tables derived
// from the byte table (slicing-by-8), so that it keeps pace with zlib.

#include <array>
#include <cstdint>
#include <cstring>

#include "kvt.h"

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Made by the compiler: there is nothing to build at the first call.
constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
    tables[0][byte] = crc;
  }
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    for (int slice = 1; slice < 8; ++slice) {
      const std::uint32_t previous = tables[slice - 1][byte];
      tables[slice][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

std::uint32_t LoadLittleEndian(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

extern "C" uint32_t KvtGetCRC32(const void* data, uint32_t length) {
  if (data == nullptr) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (; length >= 8; length -= 8, bytes += 8) {
    const std::uint32_t low = LoadLittleEndian(bytes) ^ crc;
    const std::uint32_t high = LoadLittleEndian(bytes + 4);
    crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
          kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
          kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
  }
  for (; length > 0; --length, ++bytes) crc = (crc >> 8) ^ kTables[0][(crc ^ *bytes) & 0xFF];
  return crc ^ 0xFFFFFFFFu;
}
