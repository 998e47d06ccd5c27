#include "outside/crash_generation/elf_build_id.h"

#include <elf.h>
#include <string.h>

#include <algorithm>
#include <limits>

#include "outside/crash_generation/process_memory.h"

namespace google_breakpad {
namespace {

constexpr size_t kMaxProgramHeaders = 128;
constexpr uint64_t kMaxNoteSegment = 64 * 1024;
constexpr uint64_t kPageMask = ~uint64_t{0xfff};

bool ReadHeader(int pid, uint64_t base, Elf64_Ehdr& header) {
  if (!ReadProcessMemoryExact(pid, base, &header, sizeof header)) return false;
  return memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64;
}

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Walks the notes of one segment; returns the GNU build id when present.
std::vector<uint8_t> FindBuildIdNote(const std::vector<uint8_t>& notes, uint64_t alignment) {
  uint64_t at = 0;
  while (at + sizeof(Elf64_Nhdr) <= notes.size()) {
    Elf64_Nhdr note;
    memcpy(&note, &notes[at], sizeof note);
    const uint64_t name_at = at + sizeof note;
    const uint64_t desc_at = name_at + AlignUp(note.n_namesz, alignment);
    const uint64_t next = desc_at + AlignUp(note.n_descsz, alignment);
    if (desc_at > notes.size() || desc_at + note.n_descsz > notes.size()) break;
    if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == sizeof ELF_NOTE_GNU &&
        memcmp(&notes[name_at], ELF_NOTE_GNU, sizeof ELF_NOTE_GNU) == 0) {
      std::vector<uint8_t> id(note.n_descsz);
      if (!id.empty()) memcpy(id.data(), &notes[desc_at], id.size());
      return id;
    }
    if (next <= at) break;
    at = next;
  }
  return {};
}

}  // namespace

bool IsLoadedElfImage(int pid, uint64_t base) {
  Elf64_Ehdr header;
  return ReadHeader(pid, base, header);
}

std::vector<uint8_t> ReadLoadedElfBuildId(int pid, uint64_t base) {
  Elf64_Ehdr header;
  if (!ReadHeader(pid, base, header)) return {};
  if (header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum == 0 ||
      header.e_phnum > kMaxProgramHeaders) {
    return {};
  }
  std::vector<Elf64_Phdr> program_headers(header.e_phnum);
  if (!ReadProcessMemoryExact(pid, base + header.e_phoff, program_headers.data(),
                              program_headers.size() * sizeof(Elf64_Phdr))) {
    return {};
  }
  // The image's lowest loadable address sits at `base`; the other segments
  // keep their distance from it.
  uint64_t lowest_vaddr = std::numeric_limits<uint64_t>::max();
  for (const Elf64_Phdr& segment : program_headers) {
    if (segment.p_type == PT_LOAD) lowest_vaddr = std::min(lowest_vaddr, segment.p_vaddr & kPageMask);
  }
  if (lowest_vaddr == std::numeric_limits<uint64_t>::max()) return {};
  const uint64_t load_bias = base - lowest_vaddr;

  for (const Elf64_Phdr& segment : program_headers) {
    if (segment.p_type != PT_NOTE || segment.p_memsz == 0 || segment.p_memsz > kMaxNoteSegment) continue;
    std::vector<uint8_t> notes(segment.p_memsz);
    if (!ReadProcessMemoryExact(pid, load_bias + segment.p_vaddr, notes.data(), notes.size())) continue;
    auto id = FindBuildIdNote(notes, segment.p_align == 8 ? 8 : 4);
    if (!id.empty()) return id;
  }
  return {};
}

}  // namespace google_breakpad
