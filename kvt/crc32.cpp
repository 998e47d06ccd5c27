// KvtGetCRC32: the standard CRC-32 (reflected polynomial 0xEDB88320), the
// value zlib's crc32 gives. The bytes go five 8-byte words at a time into
// five braids, each with a running value of its own, so that five chains of
// table look-ups run side by side; the last five words join the braids into
// one value again. This keeps pace with zlib, which braids the same way.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kvt.h"

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;
constexpr std::size_t kBraids = 5;
constexpr std::size_t kWordBytes = 8;
constexpr std::size_t kBlockBytes = kBraids * kWordBytes;

using ByteTable = std::array<std::uint32_t, 256>;

struct Tables {
  // The value one byte leaves behind, from a running value of 0.
  ByteTable bytes;
  // braid[k][b]: what byte b at place k of a braid's word leaves behind once
  // the rest of the word and the other braids' four words have gone by.
  std::array<ByteTable, kWordBytes> braid;
};

constexpr std::uint32_t AfterZeroByte(std::uint32_t crc, const ByteTable& bytes) {
  return (crc >> 8) ^ bytes[crc & 0xFF];
}

// Made by the compiler: there is nothing to build at the first call.
constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
    tables.bytes[byte] = crc;
  }
  for (std::size_t place = 0; place < kWordBytes; ++place) {
    const std::size_t following = kWordBytes - 1 - place + (kBraids - 1) * kWordBytes;
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
      std::uint32_t crc = tables.bytes[byte];
      for (std::size_t zero = 0; zero < following; ++zero) crc = AfterZeroByte(crc, tables.bytes);
      tables.braid[place][byte] = crc;
    }
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

std::uint64_t LoadWord(const unsigned char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Paired so that the look-ups join in a shallow tree, not one long chain.
inline std::uint32_t BraidStep(std::uint64_t word) {
  const auto& braid = kTables.braid;
  return ((braid[0][word & 0xFF] ^ braid[1][(word >> 8) & 0xFF]) ^
          (braid[2][(word >> 16) & 0xFF] ^ braid[3][(word >> 24) & 0xFF])) ^
         ((braid[4][(word >> 32) & 0xFF] ^ braid[5][(word >> 40) & 0xFF]) ^
          (braid[6][(word >> 48) & 0xFF] ^ braid[7][word >> 56]));
}

// A running value already folded into the word's bytes, carried over them.
inline std::uint32_t SerialWord(std::uint64_t word) {
  for (std::size_t i = 0; i < kWordBytes; ++i) word = (word >> 8) ^ kTables.bytes[word & 0xFF];
  return static_cast<std::uint32_t>(word);
}

std::uint32_t SerialBytes(std::uint32_t crc, const unsigned char* bytes, std::size_t length) {
  for (; length > 0; --length, ++bytes) crc = (crc >> 8) ^ kTables.bytes[(crc ^ *bytes) & 0xFF];
  return crc;
}

// The running value (before its final complement) over more bytes.
std::uint32_t Update(std::uint32_t crc, const unsigned char* bytes, std::size_t length) {
  // The words are taken in the machine's order: the braids need it little-endian.
  if constexpr (std::endian::native != std::endian::little) return SerialBytes(crc, bytes, length);
  std::size_t blocks = length / kBlockBytes;
  if (blocks == 0) return SerialBytes(crc, bytes, length);
  std::uint32_t crc0 = crc, crc1 = 0, crc2 = 0, crc3 = 0, crc4 = 0;
  for (; blocks > 1; --blocks, bytes += kBlockBytes, length -= kBlockBytes) {
    const std::uint64_t word0 = crc0 ^ LoadWord(bytes);
    const std::uint64_t word1 = crc1 ^ LoadWord(bytes + 8);
    const std::uint64_t word2 = crc2 ^ LoadWord(bytes + 16);
    const std::uint64_t word3 = crc3 ^ LoadWord(bytes + 24);
    const std::uint64_t word4 = crc4 ^ LoadWord(bytes + 32);
    crc0 = BraidStep(word0);
    crc1 = BraidStep(word1);
    crc2 = BraidStep(word2);
    crc3 = BraidStep(word3);
    crc4 = BraidStep(word4);
  }
  // Each braid's value belongs to its word of the last block.
  crc = SerialWord(crc0 ^ LoadWord(bytes));
  crc = SerialWord(crc1 ^ LoadWord(bytes + 8) ^ crc);
  crc = SerialWord(crc2 ^ LoadWord(bytes + 16) ^ crc);
  crc = SerialWord(crc3 ^ LoadWord(bytes + 24) ^ crc);
  crc = SerialWord(crc4 ^ LoadWord(bytes + 32) ^ crc);
  return SerialBytes(crc, bytes + kBlockBytes, length - kBlockBytes);
}

}  // namespace

extern "C" uint32_t KvtGetCRC32(const void* data, uint32_t length) {
  if (data == nullptr) return 0;
  return Update(0xFFFFFFFFu, static_cast<const unsigned char*>(data), length) ^ 0xFFFFFFFFu;
}
