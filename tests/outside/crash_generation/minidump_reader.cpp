#include "minidump_reader.h"

#include <string.h>

namespace veska_test {

MinidumpReader::MinidumpReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

bool MinidumpReader::Covers(uint64_t at, uint64_t size) const {
  if (at + size <= bytes_.size()) return true;
  malformed_ = true;
  return false;
}

uint16_t MinidumpReader::Read16(uint64_t at) const {
  if (!Covers(at, 2)) return 0;
  return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

uint32_t MinidumpReader::Read32(uint64_t at) const {
  return static_cast<uint32_t>(Read16(at)) | (static_cast<uint32_t>(Read16(at + 2)) << 16);
}

uint64_t MinidumpReader::Read64(uint64_t at) const {
  return static_cast<uint64_t>(Read32(at)) | (static_cast<uint64_t>(Read32(at + 4)) << 32);
}

MinidumpReader::Location MinidumpReader::ReadLocation(uint64_t at) const {
  Location location{Read32(at), Read32(at + 4)};
  Covers(location.rva, location.size);
  return location;
}

bool MinidumpReader::HasValidHeader() const {
  return bytes_.size() >= 32 && Read32(0) == 0x504d444d && (Read32(4) & 0xffff) == 0xa793;
}

std::vector<uint32_t> MinidumpReader::StreamTypes() const {
  std::vector<uint32_t> types;
  const uint32_t count = Read32(8);
  const uint32_t directory = Read32(12);
  if (!Covers(directory, uint64_t{count} * 12)) return types;
  for (uint32_t i = 0; i < count; ++i) types.push_back(Read32(directory + 12ull * i));
  return types;
}

std::optional<MinidumpReader::Location> MinidumpReader::Stream(uint32_t type) const {
  const uint32_t count = Read32(8);
  const uint32_t directory = Read32(12);
  if (!Covers(directory, uint64_t{count} * 12)) return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    if (Read32(directory + 12ull * i) == type) return ReadLocation(directory + 12ull * i + 4);
  }
  return std::nullopt;
}

std::vector<MinidumpReader::Thread> MinidumpReader::Threads() const {
  std::vector<Thread> threads;
  const auto stream = Stream(3);
  if (!stream) return threads;
  const uint32_t count = Read32(stream->rva);
  if (!Covers(stream->rva + 4ull, uint64_t{count} * 48)) return threads;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = stream->rva + 4ull + 48ull * i;
    threads.push_back(Thread{Read32(at), Read64(at + 24), ReadLocation(at + 32), ReadLocation(at + 40)});
  }
  return threads;
}

std::vector<MinidumpReader::Module> MinidumpReader::Modules() const {
  std::vector<Module> modules;
  const auto stream = Stream(4);
  if (!stream) return modules;
  const uint32_t count = Read32(stream->rva);
  if (!Covers(stream->rva + 4ull, uint64_t{count} * 108)) return modules;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = stream->rva + 4ull + 108ull * i;
    Module module;
    module.base = Read64(at);
    module.size = Read32(at + 8);
    const uint32_t name_rva = Read32(at + 20);
    const uint32_t name_bytes = Read32(name_rva);
    if (Covers(name_rva + 4ull, name_bytes)) {
      // The tests' paths are ASCII.
      for (uint32_t j = 0; j < name_bytes; j += 2) module.name += static_cast<char>(Read16(name_rva + 4ull + j));
    }
    const Location codeview = ReadLocation(at + 76);
    if (codeview.size >= 4 && Covers(codeview.rva, codeview.size)) {
      module.codeview_signature = Read32(codeview.rva);
      module.codeview_data.assign(bytes_.begin() + codeview.rva + 4, bytes_.begin() + codeview.rva + codeview.size);
    }
    modules.push_back(std::move(module));
  }
  return modules;
}

std::vector<MinidumpReader::Range> MinidumpReader::MemoryRanges() const {
  std::vector<Range> ranges;
  const auto stream = Stream(5);
  if (!stream) return ranges;
  const uint32_t count = Read32(stream->rva);
  if (!Covers(stream->rva + 4ull, uint64_t{count} * 16)) return ranges;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = stream->rva + 4ull + 16ull * i;
    ranges.push_back(Range{Read64(at), ReadLocation(at + 8)});
  }
  return ranges;
}

std::optional<MinidumpReader::Exception> MinidumpReader::GetException() const {
  const auto stream = Stream(6);
  if (!stream || !Covers(stream->rva, 168)) return std::nullopt;
  return Exception{Read32(stream->rva), Read32(stream->rva + 8), Read32(stream->rva + 12),
                   Read64(stream->rva + 24), ReadLocation(stream->rva + 160)};
}

MinidumpReader::Context MinidumpReader::ReadContext(Location location) const {
  if (location.size < 1232 || !Covers(location.rva, 1232)) return {};
  return Context{Read32(location.rva + 48), Read64(location.rva + 152), Read64(location.rva + 248)};
}

std::string MinidumpReader::StreamText(uint32_t type) const {
  const auto stream = Stream(type);
  if (!stream || !Covers(stream->rva, stream->size)) return {};
  return std::string(bytes_.begin() + stream->rva, bytes_.begin() + stream->rva + stream->size);
}

uint32_t MinidumpReader::ProcessId() const {
  const auto stream = Stream(15);
  if (!stream || stream->size < 12) return 0;
  return (Read32(stream->rva + 4) & 1) ? Read32(stream->rva + 8) : 0;
}

uint16_t MinidumpReader::ProcessorArchitecture() const {
  const auto stream = Stream(7);
  return stream ? Read16(stream->rva) : 0;
}

uint32_t MinidumpReader::PlatformId() const {
  const auto stream = Stream(7);
  return stream ? Read32(stream->rva + 20) : 0;
}

}  // namespace veska_test
