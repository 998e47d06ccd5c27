#include "outside/crash_generation/proc_maps.h"

#include <charconv>

namespace google_breakpad {
namespace {

// Reads one hexadecimal field and the separator after it.
bool TakeHex(std::string_view& line, char separator, uint64_t& value) {
  const char* first = line.data();
  const char* last = line.data() + line.size();
  const auto [end, error] = std::from_chars(first, last, value, 16);
  if (error != std::errc() || end == last || *end != separator) return false;
  line.remove_prefix(static_cast<size_t>(end - first) + 1);
  return true;
}

bool TakeWord(std::string_view& line, std::string_view& word) {
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank == 0) return false;
  word = line.substr(0, blank);
  line.remove_prefix(blank + 1);
  return true;
}

bool ParseLine(std::string_view line, MemoryMapping& mapping) {
  std::string_view perms, device, inode;
  if (!TakeHex(line, '-', mapping.start) || !TakeHex(line, ' ', mapping.end)) return false;
  if (!TakeWord(line, perms) || perms.size() < 4) return false;
  if (!TakeHex(line, ' ', mapping.offset)) return false;
  if (!TakeWord(line, device)) return false;
  // The inode ends the line when there is no path.
  if (!TakeWord(line, inode)) {
    if (line.empty()) return false;
    line = {};
  }
  if (mapping.end <= mapping.start) return false;
  mapping.readable = perms[0] == 'r';
  mapping.executable = perms[2] == 'x';
  const size_t path_start = line.find_first_not_of(' ');
  mapping.path = path_start == std::string_view::npos ? std::string() : std::string(line.substr(path_start));
  return true;
}

}  // namespace

std::vector<MemoryMapping> ParseProcMaps(std::string_view text) {
  std::vector<MemoryMapping> mappings;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    MemoryMapping mapping;
    if (ParseLine(line, mapping)) mappings.push_back(std::move(mapping));
  }
  return mappings;
}

std::vector<MappedFile> MappedFiles(const std::vector<MemoryMapping>& mappings) {
  std::vector<MappedFile> files;
  for (size_t i = 0; i < mappings.size(); ++i) {
    const MemoryMapping& first = mappings[i];
    if (first.offset != 0 || first.path.empty() || first.path[0] != '/') continue;
    MappedFile file{first.path, first.start, first.end};
    // Later segments of the same file, with anonymous mappings (.bss,
    // alignment gaps) allowed in between; another file or a fresh mapping
    // of this file's offset 0 ends the run.
    for (size_t j = i + 1; j < mappings.size(); ++j) {
      const MemoryMapping& next = mappings[j];
      if (next.path.empty()) continue;
      if (next.path != first.path || next.offset == 0) break;
      file.end = next.end;
    }
    files.push_back(std::move(file));
  }
  return files;
}

const MemoryMapping* FindMapping(const std::vector<MemoryMapping>& mappings, uint64_t address) {
  for (const MemoryMapping& mapping : mappings) {
    if (mapping.Contains(address)) return &mapping;
  }
  return nullptr;
}

}  // namespace google_breakpad
