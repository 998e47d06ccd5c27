#include "updater/download/temp_trailer.h"

std::array<unsigned char, 4> EncodeU32(std::uint32_t value) {
  return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
          static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

std::uint32_t DecodeU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::array<unsigned char, kTrailerRecordBytes> EncodeRecord(const TrailerRecord& record) {
  std::array<unsigned char, kTrailerRecordBytes> bytes{};
  const std::uint32_t fields[] = {record.start, record.length, record.done};
  for (int i = 0; i < 3; ++i) {
    const auto encoded = EncodeU32(fields[i]);
    for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = encoded[b];
  }
  return bytes;
}

TrailerRecord DecodeRecord(const unsigned char* bytes) {
  return {DecodeU32(bytes), DecodeU32(bytes + 4), DecodeU32(bytes + 8)};
}

bool RecordIsTrusted(const TrailerRecord& record, std::uint32_t storedSize, std::uint32_t index,
                     std::uint64_t previousEnd) {
  constexpr std::uint32_t kAllBits = 0xFFFFFFFFu;
  if (record.start == kAllBits || record.length == kAllBits || record.done == kAllBits) return false;
  if (record.start >= storedSize || record.length > storedSize || record.done > storedSize) return false;
  if (record.done > record.length || record.length == 0) return false;
  // A segment running past the package would have its worker write into the
  // trailer.
  if (std::uint64_t{record.start} + record.length > storedSize) return false;
  if (index == 0) return record.start == 0;
  return record.start == previousEnd;
}
