// A small careful ELF reader: every offset, size and count is checked against
// the file before it is used.

#include <elf.h>

#include <cstddef>
#include <cstring>
#include <unordered_map>

#include "platform/module_file_resources.h"
#include "platform/module_resources.h"
#include "platform/shared_file.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::size_t kMaxSections = 4096;
constexpr std::size_t kMaxSegments = 256;
constexpr std::size_t kMaxSymbols = 1 << 20;
constexpr std::size_t kMaxRelocations = 1 << 22;
constexpr std::uint32_t kMaxEntries = 4096;
constexpr std::size_t kMaxTypeLength = 256;
constexpr std::uint64_t kMaxResourceSize = 64ull << 20;

// The machine's own relocation that adds the load address to an addend.
std::optional<std::uint32_t> RelativeRelocationType(std::uint16_t machine) {
  switch (machine) {
    case EM_X86_64: return R_X86_64_RELATIVE;
    case EM_AARCH64: return R_AARCH64_RELATIVE;
    default: return std::nullopt;
  }
}

class ElfFile {
 public:
  explicit ElfFile(SharedFile file) : file_(std::move(file)) {}

  bool ReadHeaders() {
    auto size = file_.Size();
    if (!size) return false;
    size_ = *size;
    if (!Read(0, &header_, sizeof header_)) return false;
    if (std::memcmp(header_.e_ident, ELFMAG, SELFMAG) != 0 || header_.e_ident[EI_CLASS] != ELFCLASS64 ||
        header_.e_ident[EI_DATA] != ELFDATA2LSB || header_.e_machine != kOwnMachine()) {
      return false;
    }
    return ReadSegments() && ReadSections();
  }

  // The dynamic symbol `name`'s address.
  std::optional<std::uint64_t> SymbolAddress(const char* name) const {
    for (const Elf64_Shdr& symbols : sections_) {
      if (symbols.sh_type != SHT_DYNSYM || symbols.sh_entsize != sizeof(Elf64_Sym)) continue;
      if (symbols.sh_link >= sections_.size()) continue;
      const Elf64_Shdr& strings = sections_[symbols.sh_link];
      const std::size_t count = symbols.sh_size / sizeof(Elf64_Sym);
      if (count > kMaxSymbols) continue;
      std::vector<Elf64_Sym> table(count);
      if (!Read(symbols.sh_offset, table.data(), count * sizeof(Elf64_Sym))) continue;
      const std::size_t wanted = std::strlen(name) + 1;
      for (const Elf64_Sym& symbol : table) {
        if (symbol.st_shndx == SHN_UNDEF || symbol.st_name >= strings.sh_size ||
            strings.sh_size - symbol.st_name < wanted) {
          continue;
        }
        std::vector<char> text(wanted);
        if (Read(strings.sh_offset + symbol.st_name, text.data(), wanted) &&
            std::memcmp(text.data(), name, wanted) == 0) {
          return symbol.st_value;
        }
      }
    }
    return std::nullopt;
  }

  // `size` bytes of the image at `address`, from the segment that holds them
  // in the file.
  bool ReadImage(std::uint64_t address, void* out, std::uint64_t size) const {
    for (const Elf64_Phdr& segment : segments_) {
      if (address < segment.p_vaddr) continue;
      const std::uint64_t into = address - segment.p_vaddr;
      if (into > segment.p_filesz || segment.p_filesz - into < size) continue;
      return Read(segment.p_offset + into, out, size);
    }
    return false;
  }

  // A pointer stored in the image: the addend of the relocation that sets it
  // when there is one, else the value written in place.
  std::optional<std::uint64_t> ReadPointer(std::uint64_t address) {
    LoadRelocations();
    if (const auto found = relative_.find(address); found != relative_.end()) return found->second;
    std::uint64_t value = 0;
    if (!ReadImage(address, &value, sizeof value)) return std::nullopt;
    return value;
  }

 private:
  static std::uint16_t kOwnMachine() {
#if defined(__x86_64__)
    return EM_X86_64;
#elif defined(__aarch64__)
    return EM_AARCH64;
#else
    return EM_NONE;
#endif
  }

  bool Read(std::uint64_t offset, void* out, std::uint64_t size) const {
    if (offset > size_ || size_ - offset < size) return false;
    return size == 0 || file_.ReadAt(offset, out, static_cast<std::size_t>(size)).ok();
  }

  bool ReadSegments() {
    if (header_.e_phentsize != sizeof(Elf64_Phdr) || header_.e_phnum > kMaxSegments) return false;
    std::vector<Elf64_Phdr> all(header_.e_phnum);
    if (!Read(header_.e_phoff, all.data(), all.size() * sizeof(Elf64_Phdr))) return false;
    for (const auto& segment : all) {
      if (segment.p_type == PT_LOAD) segments_.push_back(segment);
    }
    return !segments_.empty();
  }

  bool ReadSections() {
    if (header_.e_shentsize != sizeof(Elf64_Shdr) || header_.e_shnum > kMaxSections) return false;
    sections_.resize(header_.e_shnum);
    return Read(header_.e_shoff, sections_.data(), sections_.size() * sizeof(Elf64_Shdr));
  }

  void LoadRelocations() {
    if (relocations_loaded_) return;
    relocations_loaded_ = true;
    const auto relative = RelativeRelocationType(header_.e_machine);
    if (!relative) return;
    for (const Elf64_Shdr& section : sections_) {
      if (section.sh_type != SHT_RELA || section.sh_entsize != sizeof(Elf64_Rela)) continue;
      const std::size_t count = section.sh_size / sizeof(Elf64_Rela);
      if (count > kMaxRelocations) continue;
      std::vector<Elf64_Rela> table(count);
      if (!Read(section.sh_offset, table.data(), count * sizeof(Elf64_Rela))) continue;
      for (const Elf64_Rela& r : table) {
        if (ELF64_R_TYPE(r.r_info) == *relative) relative_[r.r_offset] = static_cast<std::uint64_t>(r.r_addend);
      }
    }
  }

  SharedFile file_;
  std::uint64_t size_ = 0;
  Elf64_Ehdr header_{};
  std::vector<Elf64_Phdr> segments_;
  std::vector<Elf64_Shdr> sections_;
  bool relocations_loaded_ = false;
  std::unordered_map<std::uint64_t, std::uint64_t> relative_;
};

std::optional<std::string> ReadText(const ElfFile& elf, std::uint64_t address) {
  std::string text;
  for (std::size_t i = 0; i <= kMaxTypeLength; ++i) {
    char c = 0;
    if (!elf.ReadImage(address + i, &c, 1)) return std::nullopt;
    if (c == '\0') return text;
    text += c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadModuleFileResource(const std::string& path, std::u16string_view type,
                                                                 std::uint16_t id) {
  auto file = SharedFile::Open(path, kAccessRead, kShareRead | kShareWrite, FileDisposition::kOpenExisting);
  if (!file) return std::nullopt;
  ElfFile elf(std::move(*file));
  if (!elf.ReadHeaders()) return std::nullopt;
  const auto table = elf.SymbolAddress(kModuleResourceTableSymbol);
  if (!table) return std::nullopt;
  std::uint32_t count = 0;
  if (!elf.ReadImage(*table + offsetof(ModuleResourceTable, count), &count, sizeof count) || count > kMaxEntries) {
    return std::nullopt;
  }
  const auto entries = elf.ReadPointer(*table + offsetof(ModuleResourceTable, entries));
  if (!entries) return std::nullopt;
  const std::string wanted_type = Utf16ToUtf8(type);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = *entries + std::uint64_t{i} * sizeof(ModuleResourceEntry);
    std::uint16_t entry_id = 0;
    if (!elf.ReadImage(entry + offsetof(ModuleResourceEntry, id), &entry_id, sizeof entry_id)) return std::nullopt;
    if (entry_id != id) continue;
    const auto type_at = elf.ReadPointer(entry + offsetof(ModuleResourceEntry, type));
    const auto entry_type = type_at ? ReadText(elf, *type_at) : std::nullopt;
    if (!entry_type || !EqualsIgnoreAsciiCase(*entry_type, wanted_type)) continue;
    const auto begin = elf.ReadPointer(entry + offsetof(ModuleResourceEntry, begin));
    const auto end = elf.ReadPointer(entry + offsetof(ModuleResourceEntry, end));
    if (!begin || !end || *end < *begin || *end - *begin > kMaxResourceSize) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(*end - *begin));
    if (!elf.ReadImage(*begin, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
  }
  return std::nullopt;
}

}  // namespace platform
