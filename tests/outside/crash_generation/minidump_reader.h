#pragma once
// Reads back the parts of a minidump the tests check. Every read is bounds
// checked; a reference outside the file marks the dump malformed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veska_test {

class MinidumpReader {
 public:
  explicit MinidumpReader(std::vector<uint8_t> bytes);

  struct Location {
    uint32_t size = 0;
    uint32_t rva = 0;
  };
  struct Thread {
    uint32_t tid = 0;
    uint64_t stack_start = 0;
    Location stack;
    Location context;
  };
  struct Module {
    uint64_t base = 0;
    uint32_t size = 0;
    std::string name;
    uint32_t codeview_signature = 0;
    std::vector<uint8_t> codeview_data;  // after the signature
  };
  struct Exception {
    uint32_t tid = 0;
    uint32_t code = 0;
    uint32_t flags = 0;
    uint64_t address = 0;
    Location context;
  };
  struct Range {
    uint64_t start = 0;
    Location data;
  };
  struct Context {
    uint32_t flags = 0;
    uint64_t rsp = 0;
    uint64_t rip = 0;
  };

  bool HasValidHeader() const;
  bool malformed() const { return malformed_; }

  std::vector<uint32_t> StreamTypes() const;
  std::optional<Location> Stream(uint32_t type) const;
  std::vector<Thread> Threads() const;
  std::vector<Module> Modules() const;
  std::vector<Range> MemoryRanges() const;
  std::optional<Exception> GetException() const;
  Context ReadContext(Location location) const;
  std::string StreamText(uint32_t type) const;
  // The process id from the misc info stream, 0 when absent.
  uint32_t ProcessId() const;
  uint16_t ProcessorArchitecture() const;
  uint32_t PlatformId() const;

 private:
  uint16_t Read16(uint64_t at) const;
  uint32_t Read32(uint64_t at) const;
  uint64_t Read64(uint64_t at) const;
  Location ReadLocation(uint64_t at) const;
  bool Covers(uint64_t at, uint64_t size) const;

  std::vector<uint8_t> bytes_;
  mutable bool malformed_ = false;
};

}  // namespace veska_test
