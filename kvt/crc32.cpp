// KvtGetCRC32: the standard CRC-32 (reflected polynomial 0xEDB88320), the
// value zlib's crc32 gives. Sixteen bytes a step through sixteen tables
// derived from the byte table (slicing-by-16); a long block is cut into two
// halves whose steps interleave, and their values are joined as zlib's
// crc32_combine joins them, so that it keeps pace with zlib.

#include <array>
#include <cstddef>
#include <cstdint>

#include "kvt.h"

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;
constexpr std::size_t kStep = 16;
// Below this the two halves would not pay for their joining.
constexpr std::size_t kInterleaveFrom = 2 * 4096;

using Tables = std::array<std::array<std::uint32_t, 256>, kSlices>;

// Made by the compiler: there is nothing to build at the first call.
constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
    tables[0][byte] = crc;
  }
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    for (int slice = 1; slice < kSlices; ++slice) {
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

// Byte i of the step goes through table 15 - i.
inline std::uint32_t Step(std::uint32_t crc, const unsigned char* bytes) {
  const std::uint32_t a = LoadLittleEndian(bytes) ^ crc;
  const std::uint32_t b = LoadLittleEndian(bytes + 4);
  const std::uint32_t c = LoadLittleEndian(bytes + 8);
  const std::uint32_t d = LoadLittleEndian(bytes + 12);
  return kTables[15][a & 0xFF] ^ kTables[14][(a >> 8) & 0xFF] ^ kTables[13][(a >> 16) & 0xFF] ^
         kTables[12][a >> 24] ^ kTables[11][b & 0xFF] ^ kTables[10][(b >> 8) & 0xFF] ^
         kTables[9][(b >> 16) & 0xFF] ^ kTables[8][b >> 24] ^ kTables[7][c & 0xFF] ^
         kTables[6][(c >> 8) & 0xFF] ^ kTables[5][(c >> 16) & 0xFF] ^ kTables[4][c >> 24] ^
         kTables[3][d & 0xFF] ^ kTables[2][(d >> 8) & 0xFF] ^ kTables[1][(d >> 16) & 0xFF] ^ kTables[0][d >> 24];
}

// The running value (before its final complement) over more bytes.
std::uint32_t Update(std::uint32_t crc, const unsigned char* bytes, std::size_t length) {
  for (; length >= kStep; length -= kStep, bytes += kStep) crc = Step(crc, bytes);
  for (; length > 0; --length, ++bytes) crc = (crc >> 8) ^ kTables[0][(crc ^ *bytes) & 0xFF];
  return crc;
}

// a(x) b(x) modulo the polynomial, in the reflected bit order.
constexpr std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b) {
  std::uint32_t m = 1u << 31;
  std::uint32_t product = 0;
  for (;;) {
    if (a & m) {
      product ^= b;
      if ((a & (m - 1)) == 0) break;
    }
    m >>= 1;
    b = (b & 1) ? (b >> 1) ^ kPolynomial : b >> 1;
  }
  return product;
}

// x^(2^k) modulo the polynomial for k = 0 .. 31.
constexpr std::array<std::uint32_t, 32> MakePowers() {
  std::array<std::uint32_t, 32> powers{};
  powers[0] = 1u << 30;  // x^1
  for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = MultiplyModP(powers[k - 1], powers[k - 1]);
  return powers;
}
constexpr std::array<std::uint32_t, 32> kPowers = MakePowers();

// x^(8 * bytes) modulo the polynomial: what `bytes` more bytes do to a value.
std::uint32_t ShiftByBytes(std::size_t bytes) {
  std::uint32_t power = 1u << 31;  // x^0
  for (unsigned k = 3; bytes != 0; bytes >>= 1, ++k) {
    if (bytes & 1) power = MultiplyModP(kPowers[k & 31], power);
  }
  return power;
}

// The CRC of A followed by B from the CRCs of A and of B (crc32_combine).
std::uint32_t Join(std::uint32_t crc_a, std::uint32_t crc_b, std::size_t length_b) {
  return MultiplyModP(ShiftByBytes(length_b), crc_a) ^ crc_b;
}

std::uint32_t Crc32(const unsigned char* bytes, std::size_t length) {
  if (length < kInterleaveFrom) return Update(0xFFFFFFFFu, bytes, length) ^ 0xFFFFFFFFu;
  const std::size_t half = length / 2 / kStep * kStep;
  const unsigned char* second = bytes + half;
  std::uint32_t a = 0xFFFFFFFFu, b = 0xFFFFFFFFu;
  for (std::size_t offset = 0; offset < half; offset += kStep) {
    a = Step(a, bytes + offset);
    b = Step(b, second + offset);
  }
  const std::size_t second_length = length - half;
  b = Update(b, second + half, second_length - half);
  return Join(a ^ 0xFFFFFFFFu, b ^ 0xFFFFFFFFu, second_length);
}

}  // namespace

extern "C" uint32_t KvtGetCRC32(const void* data, uint32_t length) {
  if (data == nullptr) return 0;
  return Crc32(static_cast<const unsigned char*>(data), length);
}
