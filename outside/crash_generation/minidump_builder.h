#pragma once
// Lays out a minidump file in memory: space is handed out in order, each
// piece addressed by its offset in the file (its RVA), and fields are stored
// little-endian at explicit offsets.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace google_breakpad {

struct MinidumpLocation {
  uint32_t size = 0;
  uint32_t rva = 0;
};

class MinidumpBuilder {
 public:
  // Appends `size` zero bytes at the next multiple of `alignment`.
  MinidumpLocation Allocate(size_t size, size_t alignment = 8);
  MinidumpLocation AppendBytes(const void* data, size_t size, size_t alignment = 8);
  // A MINIDUMP_STRING: byte length (without the terminator), the UTF-16
  // units, then a NUL unit.
  MinidumpLocation AppendString(std::u16string_view text);

  void Put16(uint32_t rva, uint16_t value);
  void Put32(uint32_t rva, uint32_t value);
  void Put64(uint32_t rva, uint64_t value);
  void PutBytes(uint32_t rva, const void* data, size_t size);
  // A MINIDUMP_LOCATION_DESCRIPTOR: size, then RVA.
  void PutLocation(uint32_t rva, MinidumpLocation location);

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void PutLittleEndian(uint32_t rva, uint64_t value, int width);
  std::vector<uint8_t> bytes_;
};

}  // namespace google_breakpad
