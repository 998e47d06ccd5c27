#include "updater/download/backup_name.h"

#include "platform/shared_file.h"

std::string NextBackupName(const std::string& targetPath) {
  for (unsigned k = 0;; ++k) {
    std::string candidate = targetPath + "~bk" + std::to_string(k);
    if (!platform::FileExists(candidate)) return candidate;
  }
}

std::optional<std::string> WithoutBackupSuffix(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
  std::size_t digits = path.size();
  while (digits > nameStart && path[digits - 1] >= '0' && path[digits - 1] <= '9') --digits;
  if (digits == path.size()) return std::nullopt;
  constexpr std::size_t kMarker = 3;  // "~bk"
  if (digits < nameStart + kMarker || path.compare(digits - kMarker, kMarker, "~bk") != 0) {
    return std::nullopt;
  }
  return path.substr(0, digits - kMarker);
}
