#pragma once
// The trailer of the temporary download file: after the package area of S
// bytes come N records of (start, length, done) and then S itself, every
// number unsigned 32-bit little-endian. The trailer is addressed from the end.

#include <array>
#include <cstdint>

inline constexpr std::uint32_t kTrailerRecordBytes = 12;
inline constexpr std::uint32_t kTrailerSizeBytes = 4;

struct TrailerRecord {
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  std::uint32_t done = 0;
};

inline std::uint64_t TrailerBytes(std::uint64_t records) {
  return records * kTrailerRecordBytes + kTrailerSizeBytes;
}

std::array<unsigned char, 4> EncodeU32(std::uint32_t value);
std::uint32_t DecodeU32(const unsigned char* bytes);
std::array<unsigned char, kTrailerRecordBytes> EncodeRecord(const TrailerRecord& record);
TrailerRecord DecodeRecord(const unsigned char* bytes);

// Whether a record read back on resume can be trusted. `previousEnd` is where
// the previous segment of the table ends (0 for the first record).
bool RecordIsTrusted(const TrailerRecord& record, std::uint32_t storedSize, std::uint32_t index,
                     std::uint64_t previousEnd);
