#include <errno.h>
#include <unistd.h>

#include <string_view>

#include "exe_link.h"

namespace platform::posix {

Result<std::string> ReadExeLink(const std::string& link_path) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = readlink(link_path.c_str(), target.data(), target.size());
    if (n < 0) return LastError("readlink " + link_path);
    if (static_cast<size_t>(n) < target.size()) {
      target.resize(static_cast<size_t>(n));
      break;
    }
    target.resize(target.size() * 2);
  }
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
  return target;
}

}  // namespace platform::posix
