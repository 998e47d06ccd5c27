#pragma once
// Reading a zip archive entry by entry (minizip).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace safe_unzip {

struct ZipEntryInfo {
  std::string name;  // as stored: bytes, '/' or '\' separated
  std::uint64_t size = 0;
  // The Unix st_mode the archive keeps for the entry (file type and
  // permission bits), when the archive was made on a Unix-like host.
  std::optional<std::uint32_t> unix_mode;
  bool is_directory = false;
  bool is_symlink = false;
};

class ZipArchiveReader {
 public:
  // Empty when the file is missing or is no zip archive.
  static std::unique_ptr<ZipArchiveReader> Open(const std::filesystem::path& path);
  ~ZipArchiveReader();
  ZipArchiveReader(const ZipArchiveReader&) = delete;
  ZipArchiveReader& operator=(const ZipArchiveReader&) = delete;

  std::uint64_t EntryCount() const { return entry_count_; }
  bool GoToFirstEntry();
  bool GoToNextEntry();
  std::optional<ZipEntryInfo> CurrentEntry();

  // Passes the current entry's bytes to `sink` chunk by chunk. True only when
  // the whole entry was read and its CRC matched; otherwise `error` says why.
  using Sink = std::function<bool(const char* data, std::size_t size)>;
  bool ReadCurrentEntry(const Sink& sink, std::string& error);

 private:
  explicit ZipArchiveReader(void* handle, std::uint64_t entry_count);

  void* handle_;  // unzFile
  std::uint64_t entry_count_;
};

}  // namespace safe_unzip
