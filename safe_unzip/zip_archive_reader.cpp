#include "safe_unzip/zip_archive_reader.h"

#include <minizip/unzip.h>

#include <vector>

namespace safe_unzip {
namespace {

// "Version made by" host systems whose external attributes carry st_mode in
// their upper 16 bits.
constexpr unsigned kHostUnix = 3;
constexpr unsigned kHostMacOs = 19;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kTypeDirectory = 0040000;
constexpr std::uint32_t kTypeSymlink = 0120000;
constexpr unsigned long kDosDirectoryAttribute = 0x10;

unzFile AsUnz(void* handle) { return static_cast<unzFile>(handle); }

}  // namespace

std::unique_ptr<ZipArchiveReader> ZipArchiveReader::Open(const std::filesystem::path& path) {
  unzFile file = unzOpen64(path.c_str());
  if (file == nullptr) return nullptr;
  unz_global_info64 info{};
  if (unzGetGlobalInfo64(file, &info) != UNZ_OK) {
    unzClose(file);
    return nullptr;
  }
  return std::unique_ptr<ZipArchiveReader>(new ZipArchiveReader(file, info.number_entry));
}

ZipArchiveReader::ZipArchiveReader(void* handle, std::uint64_t entry_count)
    : handle_(handle), entry_count_(entry_count) {}

ZipArchiveReader::~ZipArchiveReader() { unzClose(AsUnz(handle_)); }

bool ZipArchiveReader::GoToFirstEntry() { return unzGoToFirstFile(AsUnz(handle_)) == UNZ_OK; }

bool ZipArchiveReader::GoToNextEntry() { return unzGoToNextFile(AsUnz(handle_)) == UNZ_OK; }

std::optional<ZipEntryInfo> ZipArchiveReader::CurrentEntry() {
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(AsUnz(handle_), &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
      UNZ_OK) {
    return std::nullopt;
  }
  std::vector<char> name(info.size_filename + 1, '\0');
  if (unzGetCurrentFileInfo64(AsUnz(handle_), &info, name.data(), name.size(), nullptr, 0,
                              nullptr, 0) != UNZ_OK) {
    return std::nullopt;
  }
  ZipEntryInfo entry;
  entry.name.assign(name.data(), info.size_filename);
  entry.size = info.uncompressed_size;
  const unsigned host = (info.version >> 8) & 0xff;
  const auto mode = static_cast<std::uint32_t>(info.external_fa >> 16);
  if ((host == kHostUnix || host == kHostMacOs) && mode != 0) entry.unix_mode = mode;

  const bool named_as_folder =
      !entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\');
  const std::uint32_t type = entry.unix_mode.value_or(0) & kFileTypeMask;
  entry.is_directory = named_as_folder || type == kTypeDirectory ||
                       (!entry.unix_mode && (info.external_fa & kDosDirectoryAttribute) != 0);
  entry.is_symlink = type == kTypeSymlink;
  return entry;
}

bool ZipArchiveReader::ReadCurrentEntry(const Sink& sink, std::string& error) {
  unzFile file = AsUnz(handle_);
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    error = "cannot read the entry's header";
    return false;
  }
  if (unzOpenCurrentFile(file) != UNZ_OK) {
    error = "cannot open the entry (unsupported method or damaged header)";
    return false;
  }
  std::vector<char> buffer(64 * 1024);
  std::uint64_t total = 0;
  bool ok = true;
  for (;;) {
    const int got = unzReadCurrentFile(file, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (got == 0) break;
    if (got < 0) {
      error = "damaged data (error " + std::to_string(got) + ")";
      ok = false;
      break;
    }
    total += static_cast<std::uint64_t>(got);
    if (!sink(buffer.data(), static_cast<std::size_t>(got))) {
      error = "cannot write the extracted bytes";
      ok = false;
      break;
    }
  }
  // The CRC is checked by the close, and only once every byte was read.
  const int closed = unzCloseCurrentFile(file);
  if (!ok) return false;
  if (closed == UNZ_CRCERROR) {
    error = "CRC mismatch";
    return false;
  }
  if (closed != UNZ_OK) {
    error = "cannot finish reading the entry (error " + std::to_string(closed) + ")";
    return false;
  }
  if (total != info.uncompressed_size) {
    error = "entry shorter than its stated size";
    return false;
  }
  return true;
}

}  // namespace safe_unzip
