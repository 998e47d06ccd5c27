#pragma once
// Real zip files for the update tests, written with minizip.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veska_test {

struct ZipTestEntry {
  std::string name = {};  // a trailing '/' makes a folder entry
  std::string content = {};
  // Unix st_mode kept in the external attributes (the entry is then marked as
  // made on a Unix host); none keeps the attributes empty, as Windows tools do.
  std::optional<std::uint32_t> unix_mode = std::nullopt;
  // Stored with a CRC that does not match its bytes.
  bool broken_crc = false;
};

void WriteZip(const std::filesystem::path& path, const std::vector<ZipTestEntry>& entries);

}  // namespace veska_test
