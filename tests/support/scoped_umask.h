#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

// Sets the process's file-creation mask for the life of the object.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask);
  ~ScopedUmask();
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

// "<path> <octal mode>" for every entry below `root` (root included) whose
// mode is not 0700 for a folder or 0600 for a file.
std::vector<std::string> NotPrivate(const std::filesystem::path& root);

}  // namespace veska_test
