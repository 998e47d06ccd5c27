#include "support/scoped_umask.h"

#include <sys/stat.h>

#include <cstdio>

namespace veska_test {

ScopedUmask::ScopedUmask(mode_t mask) : old_(umask(mask)) {}

ScopedUmask::~ScopedUmask() { umask(old_); }

std::vector<std::string> NotPrivate(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  auto check = [&](const fs::path& path) {
    const fs::file_status status = fs::symlink_status(path);
    const auto mode = static_cast<unsigned>(status.permissions() & fs::perms::mask);
    const unsigned wanted = fs::is_directory(status) ? 0700 : 0600;
    if (mode != wanted) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "%04o", mode);
      found.push_back(path.string() + " " + octal);
    }
  };
  check(root);
  for (const auto& entry : fs::recursive_directory_iterator(root)) check(entry.path());
  return found;
}

}  // namespace veska_test
