#include <errno.h>
#include <sys/stat.h>

#include "make_folders.h"

namespace platform::posix {

Status MakeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) return Error{ENOENT, "create folder (empty path)"};
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string prefix = path.substr(0, end);
    if (mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) {
      return LastError("create folder " + prefix);
    }
    if (end == std::string::npos) break;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return LastError("stat " + path);
  if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "folder " + path};
  return Status::Ok();
}

}  // namespace platform::posix
