#include "zip_members.h"

#include <minizip/unzip.h>

#include <vector>

namespace crash_test {

std::optional<std::map<std::string, std::string>> ZipMembers(const std::filesystem::path& zip) {
  unzFile file = unzOpen64(zip.c_str());
  if (file == nullptr) return std::nullopt;
  std::map<std::string, std::string> members;
  bool ok = true;
  for (int at = unzGoToFirstFile(file); ok && at == UNZ_OK; at = unzGoToNextFile(file)) {
    char name[1024];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(file, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(file) != UNZ_OK) {
      ok = false;
      break;
    }
    std::string bytes;
    std::vector<char> chunk(65536);
    int got;
    while ((got = unzReadCurrentFile(file, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
      bytes.append(chunk.data(), static_cast<size_t>(got));
    }
    // Closing checks the member's CRC.
    if (got < 0 || unzCloseCurrentFile(file) != UNZ_OK) ok = false;
    members[name] = std::move(bytes);
  }
  unzClose(file);
  if (!ok) return std::nullopt;
  return members;
}

}  // namespace crash_test
