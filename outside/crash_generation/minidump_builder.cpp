#include "outside/crash_generation/minidump_builder.h"

#include <string.h>

#include <cassert>

namespace google_breakpad {

MinidumpLocation MinidumpBuilder::Allocate(size_t size, size_t alignment) {
  const size_t start = (bytes_.size() + alignment - 1) / alignment * alignment;
  bytes_.resize(start + size, 0);
  return MinidumpLocation{static_cast<uint32_t>(size), static_cast<uint32_t>(start)};
}

MinidumpLocation MinidumpBuilder::AppendBytes(const void* data, size_t size, size_t alignment) {
  const MinidumpLocation location = Allocate(size, alignment);
  if (size != 0) memcpy(&bytes_[location.rva], data, size);
  return location;
}

MinidumpLocation MinidumpBuilder::AppendString(std::u16string_view text) {
  const MinidumpLocation location = Allocate(4 + 2 * (text.size() + 1), 4);
  Put32(location.rva, static_cast<uint32_t>(2 * text.size()));
  for (size_t i = 0; i < text.size(); ++i) Put16(location.rva + 4 + static_cast<uint32_t>(2 * i), text[i]);
  return location;
}

void MinidumpBuilder::PutLittleEndian(uint32_t rva, uint64_t value, int width) {
  assert(rva + static_cast<size_t>(width) <= bytes_.size());
  for (int i = 0; i < width; ++i) bytes_[rva + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

void MinidumpBuilder::Put16(uint32_t rva, uint16_t value) { PutLittleEndian(rva, value, 2); }
void MinidumpBuilder::Put32(uint32_t rva, uint32_t value) { PutLittleEndian(rva, value, 4); }
void MinidumpBuilder::Put64(uint32_t rva, uint64_t value) { PutLittleEndian(rva, value, 8); }

void MinidumpBuilder::PutBytes(uint32_t rva, const void* data, size_t size) {
  assert(rva + size <= bytes_.size());
  if (size != 0) memcpy(&bytes_[rva], data, size);
}

void MinidumpBuilder::PutLocation(uint32_t rva, MinidumpLocation location) {
  Put32(rva, location.size);
  Put32(rva + 4, location.rva);
}

}  // namespace google_breakpad
