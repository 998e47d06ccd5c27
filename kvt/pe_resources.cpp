#include "pe_resources.h"

#include <array>

namespace kvt {
namespace {

constexpr std::uint32_t kNewHeaderOffsetAt = 60;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t kNamedEntryFlag = 0x80000000u;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfo = 1;
// A version block's length is a 16-bit field.
constexpr std::uint32_t kMaxVersionBlock = 0xFFFF;
constexpr std::uint16_t kMaxSections = 96;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_size;
  std::uint32_t raw_offset;
};

class PeImage {
 public:
  explicit PeImage(const platform::SharedFile& file) : file_(file) {}

  bool ReadHeaders() {
    std::array<std::uint8_t, 64> dos{};
    if (!file_.ReadAt(0, dos.data(), dos.size()) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t signature_at = Le32(dos.data() + kNewHeaderOffsetAt);
    std::array<std::uint8_t, 4 + kFileHeaderSize> head{};
    if (!file_.ReadAt(signature_at, head.data(), head.size())) return false;
    if (head[0] != 'P' || head[1] != 'E' || head[2] != 0 || head[3] != 0) return false;
    const std::uint16_t sections = Le16(head.data() + 4 + 2);
    const std::uint16_t optional_size = Le16(head.data() + 4 + 16);
    if (sections > kMaxSections) return false;
    const std::uint64_t optional_at = signature_at + head.size();
    if (!ReadResourceDirectory(optional_at, optional_size)) return false;
    return ReadSections(optional_at + optional_size, sections);
  }

  // The file bytes behind `size` bytes of the image at `rva`.
  std::optional<std::vector<std::uint8_t>> ReadImage(std::uint32_t rva, std::uint32_t size) const {
    for (const Section& s : sections_) {
      if (rva < s.virtual_address) continue;
      const std::uint64_t into = rva - s.virtual_address;
      if (into + size > s.raw_size) continue;
      std::vector<std::uint8_t> bytes(size);
      if (size != 0 && !file_.ReadAt(std::uint64_t{s.raw_offset} + into, bytes.data(), size)) return std::nullopt;
      return bytes;
    }
    return std::nullopt;
  }

  std::uint32_t resource_rva() const { return resource_rva_; }

 private:
  bool ReadResourceDirectory(std::uint64_t at, std::uint16_t optional_size) {
    std::array<std::uint8_t, 2> magic{};
    if (optional_size < magic.size() || !file_.ReadAt(at, magic.data(), magic.size())) return false;
    const std::uint16_t kind = Le16(magic.data());
    std::size_t count_at = 0;
    if (kind == kPe32Magic) {
      count_at = 92;
    } else if (kind == kPe32PlusMagic) {
      count_at = 108;
    } else {
      return false;
    }
    const std::size_t entry_at = count_at + 4 + kResourceDirectoryIndex * 8;
    if (optional_size < entry_at + 8) return false;
    std::array<std::uint8_t, 4> count{};
    std::array<std::uint8_t, 8> entry{};
    if (!file_.ReadAt(at + count_at, count.data(), count.size()) ||
        !file_.ReadAt(at + entry_at, entry.data(), entry.size())) {
      return false;
    }
    if (Le32(count.data()) <= kResourceDirectoryIndex) return false;
    resource_rva_ = Le32(entry.data());
    return resource_rva_ != 0 && Le32(entry.data() + 4) != 0;
  }

  bool ReadSections(std::uint64_t at, std::uint16_t count) {
    std::vector<std::uint8_t> table(std::size_t{count} * kSectionHeaderSize);
    if (!table.empty() && !file_.ReadAt(at, table.data(), table.size())) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
      const std::uint8_t* h = table.data() + std::size_t{i} * kSectionHeaderSize;
      sections_.push_back({Le32(h + 12), Le32(h + 8), Le32(h + 16), Le32(h + 20)});
    }
    return true;
  }

  const platform::SharedFile& file_;
  std::vector<Section> sections_;
  std::uint32_t resource_rva_ = 0;
};

// The entry of a resource directory with `id`, or with `id` absent its
// first entry: the offset it points at, within the resource section.
std::optional<std::uint32_t> FindEntry(const PeImage& image, std::uint32_t directory, std::optional<std::uint32_t> id,
                                       bool want_subdirectory) {
  const auto header = image.ReadImage(image.resource_rva() + directory, kResourceDirectorySize);
  if (!header) return std::nullopt;
  const std::uint32_t entries = std::uint32_t{Le16(header->data() + 12)} + Le16(header->data() + 14);
  const auto table = image.ReadImage(image.resource_rva() + directory + kResourceDirectorySize,
                                     entries * static_cast<std::uint32_t>(kResourceEntrySize));
  if (!table) return std::nullopt;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint8_t* e = table->data() + std::size_t{i} * kResourceEntrySize;
    const std::uint32_t name = Le32(e);
    const std::uint32_t target = Le32(e + 4);
    if (id && ((name & kNamedEntryFlag) != 0 || name != *id)) continue;
    if (((target & kSubdirectoryFlag) != 0) != want_subdirectory) return std::nullopt;
    return target & ~kSubdirectoryFlag;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadPeVersionResource(const platform::SharedFile& file) {
  PeImage image(file);
  if (!image.ReadHeaders()) return std::nullopt;
  const auto names = FindEntry(image, 0, kRtVersion, true);
  if (!names) return std::nullopt;
  const auto languages = FindEntry(image, *names, kVsVersionInfo, true);
  if (!languages) return std::nullopt;
  const auto data_entry = FindEntry(image, *languages, std::nullopt, false);
  if (!data_entry) return std::nullopt;
  const auto data = image.ReadImage(image.resource_rva() + *data_entry, 16);
  if (!data) return std::nullopt;
  const std::uint32_t rva = Le32(data->data());
  const std::uint32_t size = Le32(data->data() + 4);
  if (size == 0 || size > kMaxVersionBlock) return std::nullopt;
  return image.ReadImage(rva, size);
}

}  // namespace kvt
