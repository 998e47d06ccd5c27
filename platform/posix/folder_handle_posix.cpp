#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "platform/folder_handle.h"
#include "platform/unique_fd.h"
#include "share_check.h"

namespace platform {
namespace {

constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

EntryKind KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return EntryKind::kLink;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  if (S_ISREG(mode)) return EntryKind::kFile;
  return EntryKind::kOther;
}

std::optional<EntryKind> KindFromListing(unsigned char type) {
  switch (type) {
    case DT_LNK: return EntryKind::kLink;
    case DT_DIR: return EntryKind::kFolder;
    case DT_REG: return EntryKind::kFile;
    case DT_UNKNOWN: return std::nullopt;
    default: return EntryKind::kOther;
  }
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// Whether the folder open as `child` is the root of a file system mounted
// inside `parent`'s.
bool IsMountRoot(int parent, int child) {
  struct statx info {};
  if (statx(child, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &info) == 0 &&
      (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    return (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  }
  struct stat outer {}, inner {};
  return fstat(parent, &outer) == 0 && fstat(child, &inner) == 0 && outer.st_dev != inner.st_dev;
}

}  // namespace

struct FolderHandle::State {
  UniqueFd fd;
  std::string path;  // for the log
};

FolderHandle::FolderHandle(std::unique_ptr<State> state) : state_(std::move(state)) {}
FolderHandle::FolderHandle(FolderHandle&&) noexcept = default;
FolderHandle& FolderHandle::operator=(FolderHandle&&) noexcept = default;
FolderHandle::~FolderHandle() = default;

Result<FolderHandle> FolderHandle::Open(const std::string& path) {
  UniqueFd fd(open(path.c_str(), kFolderOpenFlags));
  if (!fd) return LastError("open folder " + path);
  auto state = std::make_unique<State>();
  state->fd = std::move(fd);
  state->path = path;
  return FolderHandle(std::move(state));
}

bool FolderHandle::IsFileSystemRoot() const {
  struct stat folder {}, root {};
  return fstat(state_->fd.get(), &folder) == 0 && stat("/", &root) == 0 && folder.st_dev == root.st_dev &&
         folder.st_ino == root.st_ino;
}

Result<std::vector<FolderEntry>> FolderHandle::Entries() const {
  // The listing reads through its own descriptor, so this one keeps its place.
  UniqueFd listing(openat(state_->fd.get(), ".", kFolderOpenFlags));
  if (!listing) return LastError("list folder " + state_->path);
  std::unique_ptr<DIR, DirCloser> dir(fdopendir(listing.get()));
  if (!dir) return LastError("list folder " + state_->path);
  listing.release();
  std::vector<FolderEntry> entries;
  errno = 0;
  while (const dirent* entry = readdir(dir.get())) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    auto kind = KindFromListing(entry->d_type);
    if (!kind) {
      struct stat info {};
      if (fstatat(state_->fd.get(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      kind = KindOf(info.st_mode);
    }
    entries.push_back({entry->d_name, *kind});
    errno = 0;
  }
  if (errno != 0) return LastError("list folder " + state_->path);
  return entries;
}

Result<FolderHandle> FolderHandle::OpenChild(const std::string& name) const {
  const std::string path = state_->path + "/" + name;
  UniqueFd fd(openat(state_->fd.get(), name.c_str(), kFolderOpenFlags));
  if (!fd) return LastError("open folder " + path);
  if (IsMountRoot(state_->fd.get(), fd.get())) return Error{EXDEV, "folder " + path + " is a mount point"};
  auto state = std::make_unique<State>();
  state->fd = std::move(fd);
  state->path = path;
  return FolderHandle(std::move(state));
}

Status FolderHandle::RemoveEntry(const std::string& name) const {
  const std::string path = state_->path + "/" + name;
  // Only a regular file can be held; nothing else is opened to ask.
  struct stat info {};
  if (fstatat(state_->fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
    UniqueFd probe(openat(state_->fd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (probe && posix::OtherDeniesDeletion(probe.get())) return Error{EBUSY, "delete " + path};
  }
  if (unlinkat(state_->fd.get(), name.c_str(), 0) != 0) return LastError("delete " + path);
  return Status::Ok();
}

Status FolderHandle::RemoveChildFolder(const std::string& name) const {
  if (unlinkat(state_->fd.get(), name.c_str(), AT_REMOVEDIR) != 0) {
    return LastError("remove folder " + state_->path + "/" + name);
  }
  return Status::Ok();
}

Status RemoveEmptyFolder(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return LastError("remove folder " + path);
  if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "remove folder " + path};
  if (rmdir(path.c_str()) != 0) return LastError("remove folder " + path);
  return Status::Ok();
}

}  // namespace platform
