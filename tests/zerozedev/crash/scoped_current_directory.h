#pragma once
// Makes a folder the current directory for the life of the object (the
// checkpoint file lives there).

#include <stdexcept>
#include <string>

#include "platform/folders.h"

namespace crash_test {

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& folder) {
    auto current = platform::CurrentDirectory();
    if (!current || !platform::SetCurrentDirectory(folder)) throw std::runtime_error("cannot enter " + folder);
    previous_ = *current;
  }
  ~ScopedCurrentDirectory() { platform::SetCurrentDirectory(previous_); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::string previous_;
};

}  // namespace crash_test
