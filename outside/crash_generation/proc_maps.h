#pragma once
// The memory mappings of a process as /proc/<pid>/maps lists them, and the
// loaded files (modules) they add up to.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace google_breakpad {

struct MemoryMapping {
  uint64_t start = 0;
  uint64_t end = 0;  // one past the last byte
  bool readable = false;
  bool executable = false;
  uint64_t offset = 0;
  std::string path;  // file path, "[stack]"-style name, or empty

  bool Contains(uint64_t address) const { return address >= start && address < end; }
};

// Lines that do not parse are skipped. Paths keep embedded blanks; the
// kernel's " (deleted)" suffix stays part of the path.
std::vector<MemoryMapping> ParseProcMaps(std::string_view text);

struct MappedFile {
  std::string path;
  uint64_t base = 0;  // start of the mapping of the file's offset 0
  uint64_t end = 0;   // end of the last mapping of the same file that follows
};

// Files mapped from offset 0 (absolute paths only), each with the address
// range its consecutive mappings cover. Whether a file is ELF is for the
// caller to check.
std::vector<MappedFile> MappedFiles(const std::vector<MemoryMapping>& mappings);

const MemoryMapping* FindMapping(const std::vector<MemoryMapping>& mappings, uint64_t address);

}  // namespace google_breakpad
