#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/shared_file.h"
#include "platform/unique_fd.h"
#include "share_check.h"

namespace platform {
namespace {

PathKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return PathKind::kFile;
  if (S_ISDIR(mode)) return PathKind::kFolder;
  return PathKind::kOther;
}

bool IsFolderEntry(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Status Rename(const std::string& from, const std::string& to, bool replace) {
  if (replace) {
    // rename would also put a folder over an empty folder; Windows never
    // replaces a folder.
    if (IsFolderEntry(to)) return Error{EEXIST, "move to " + to + ": a folder is there"};
    if (rename(from.c_str(), to.c_str()) != 0) return LastError("move " + from);
    return Status::Ok();
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Status::Ok();
  if (errno != EINVAL && errno != ENOSYS) return LastError("move " + from);
  // File systems without RENAME_NOREPLACE.
  if (PathExists(to)) return Error{EEXIST, "move to " + to};
  if (rename(from.c_str(), to.c_str()) != 0) return LastError("move " + from);
  return Status::Ok();
}

// The refusal DeleteFileW gives while another handle holds the file without
// delete sharing. A link is moved as a link, so its target is not asked.
Status CheckNotHeld(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Status::Ok();
  UniqueFd probe(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (probe && posix::OtherDeniesDeletion(probe.get())) return Error{EBUSY, "move " + path};
  return Status::Ok();
}

}  // namespace

Result<FileFacts> ReadFileFacts(const std::string& path) {
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &info) != 0) {
    return LastError("stat " + path);
  }
  FileFacts facts;
  facts.kind = KindOf(info.stx_mode);
  facts.size = info.stx_size;
  facts.modification_time = info.stx_mtime.tv_sec;
  if ((info.stx_mask & STATX_BTIME) != 0) facts.birth_time = info.stx_btime.tv_sec;
  return facts;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

Status CreateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0) return LastError("create folder " + path);
  return Status::Ok();
}

Result<MoveOutcome> MovePath(const std::string& from, const std::string& to, const MoveOptions& options) {
  if (!PathExists(from)) return Error{ENOENT, "move " + from};
  if (auto deletable = CheckNotHeld(from); !deletable) return deletable.error();
  auto renamed = Rename(from, to, options.replace_existing);
  if (renamed) return MoveOutcome{};
  if (renamed.error().code != EXDEV || !options.allow_copy || !FileExists(from)) return renamed.error();

  if (!options.replace_existing && PathExists(to)) return Error{EEXIST, "move to " + to};
  if (options.replace_existing && IsFolderEntry(to)) return Error{EEXIST, "move to " + to + ": a folder is there"};
  const bool target_existed = PathExists(to);
  if (auto copied = CopySharedFile(from, to, options.replace_existing); !copied) {
    if (!target_existed) unlink(to.c_str());
    return copied.error();
  }
  DeleteSharedFile(from);
  return MoveOutcome{true};
}

}  // namespace platform
