#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/private_files.h"
#include "platform/unique_fd.h"

namespace platform {
namespace {

constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

}  // namespace

Status MakePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), kPrivateFolderMode) == 0) return Status::Ok();
  if (errno != EEXIST) return LastError("create folder " + path);
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return LastError("stat " + path);
  if (S_ISLNK(info.st_mode)) {
    // The user's own choice of place; followed, not changed.
    if (stat(path.c_str(), &info) != 0) return LastError("stat " + path);
    if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "folder " + path};
    return Status::Ok();
  }
  if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "folder " + path};
  // Made before the folder was private, or by a program that did not care.
  if (info.st_uid == geteuid() && (info.st_mode & kOthersBits) != 0 &&
      chmod(path.c_str(), info.st_mode & 07700 & ~kOthersBits) != 0) {
    return LastError("chmod " + path);
  }
  return Status::Ok();
}

Result<std::string> MakePrivateFolders(const std::string& base, std::string_view relative) {
  std::string folder = base;
  while (!relative.empty()) {
    const auto slash = relative.find('/');
    const std::string_view part = relative.substr(0, slash);
    relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
    if (part.empty()) continue;
    folder.append("/").append(part);
    if (auto made = MakePrivateFolder(folder); !made) return made.error();
  }
  return folder;
}

Result<StdioFile> CreatePrivateFile(const std::string& path, PrivateFileCreation how) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW |
                    (how == PrivateFileCreation::kNew ? O_EXCL : O_TRUNC);
  UniqueFd fd(open(path.c_str(), flags, kPrivateFileMode));
  if (!fd) return LastError("create " + path);
  // An existing file keeps its mode through open.
  if (how == PrivateFileCreation::kReplace && fchmod(fd.get(), kPrivateFileMode) != 0) {
    return LastError("chmod " + path);
  }
  std::FILE* file = fdopen(fd.get(), "wb");
  if (file == nullptr) return LastError("open stream on " + path);
  fd.release();
  return StdioFile(file);
}

}  // namespace platform
