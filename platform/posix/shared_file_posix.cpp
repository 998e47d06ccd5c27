#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/shared_file.h"
#include "platform/unique_fd.h"
#include "share_check.h"

namespace platform {
namespace {

// One lock byte per fact about a handle, far beyond any package size. Every
// handle holds read locks on the bytes that describe it; an open is refused
// when another handle holds a byte that conflicts with it.
constexpr off_t kLockBase = off_t{0x7FFF0000} << 32;
enum LockByte : off_t {
  kHasRead = 0,
  kHasWrite = 1,
  kDeniesRead = 2,
  kDeniesWrite = 3,
  kDeniesDelete = 4,
};

// The error code of a sharing violation on this backend.
constexpr int kSharingViolationCode = EBUSY;

bool HoldMarker(int fd, LockByte byte) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + byte;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether another open file description holds `byte`.
bool OtherHolds(int fd, LockByte byte) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + byte;
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

Error SharingViolation(const std::string& what) { return Error{kSharingViolationCode, what}; }

// Refuses deletion or renaming of `path` while a handle denies deletion.
Status CheckDeletable(const std::string& path) {
  UniqueFd probe(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!probe) return LastError("open " + path);
  if (OtherHolds(probe.get(), kDeniesDelete)) return SharingViolation("delete " + path);
  return Status::Ok();
}

}  // namespace

bool posix::OtherDeniesDeletion(int fd) { return OtherHolds(fd, kDeniesDelete); }

bool IsSharingViolation(const Error& error) { return error.code == kSharingViolationCode; }

struct SharedFile::State {
  UniqueFd fd;
};

SharedFile::SharedFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
SharedFile::SharedFile(SharedFile&&) noexcept = default;
SharedFile& SharedFile::operator=(SharedFile&&) noexcept = default;
SharedFile::~SharedFile() = default;

Result<SharedFile> SharedFile::Open(const std::string& path, unsigned access, unsigned share,
                                    FileDisposition disposition) {
  const bool wants_write = (access & kAccessWrite) != 0;
  int flags = (wants_write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  switch (disposition) {
    case FileDisposition::kCreateAlways:
    case FileDisposition::kOpenAlways: flags |= O_CREAT; break;
    case FileDisposition::kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case FileDisposition::kOpenExisting: break;
    case FileDisposition::kTruncateExisting:
      if (!wants_write) return Error{EACCES, "truncate " + path + " without write access"};
      break;
  }
  const bool truncates =
      disposition == FileDisposition::kCreateAlways || disposition == FileDisposition::kTruncateExisting;
  // Truncation waits for the sharing check: a refused create leaves the file.
  // Opening never waits (a FIFO would wait for its other end); the open file
  // then blocks as usual.
  UniqueFd fd(open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0644));
  if (!fd) return LastError("open " + path);
  if (const int status = fcntl(fd.get(), F_GETFL); status == -1 || fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
    return LastError("open " + path);
  }

  bool held = HoldMarker(fd.get(), kHasRead);
  if (wants_write) held = held && HoldMarker(fd.get(), kHasWrite);
  if (!(share & kShareRead)) held = held && HoldMarker(fd.get(), kDeniesRead);
  if (!(share & kShareWrite)) held = held && HoldMarker(fd.get(), kDeniesWrite);
  if (!(share & kShareDelete)) held = held && HoldMarker(fd.get(), kDeniesDelete);
  if (!held) return LastError("lock " + path);

  const bool refused = OtherHolds(fd.get(), kDeniesRead) ||
                       (wants_write && OtherHolds(fd.get(), kDeniesWrite)) ||
                       (!(share & kShareRead) && OtherHolds(fd.get(), kHasRead)) ||
                       (!(share & kShareWrite) && OtherHolds(fd.get(), kHasWrite));
  if (refused) return SharingViolation("open " + path);

  if (truncates && ftruncate(fd.get(), 0) != 0) {
    return LastError("truncate " + path);
  }
  auto state = std::make_unique<State>();
  state->fd = std::move(fd);
  return SharedFile(std::move(state));
}

bool SharedFile::is_open() const { return state_ && state_->fd.valid(); }

Result<std::uint64_t> SharedFile::Size() const {
  struct stat info {};
  if (!is_open()) return Error{EBADF, "size"};
  if (fstat(state_->fd.get(), &info) != 0) return LastError("fstat");
  return static_cast<std::uint64_t>(info.st_size);
}

Status SharedFile::SetSize(std::uint64_t size) {
  if (!is_open()) return Error{EBADF, "set size"};
  if (ftruncate(state_->fd.get(), static_cast<off_t>(size)) != 0) return LastError("ftruncate");
  return Status::Ok();
}

Status SharedFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!is_open()) return Error{EBADF, "write"};
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = pwrite(state_->fd.get(), bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError("pwrite");
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return Status::Ok();
}

Status SharedFile::WriteAt(std::uint64_t offset, std::string_view first, std::string_view second) {
  if (!is_open()) return Error{EBADF, "write"};
  iovec pieces[2] = {{const_cast<char*>(first.data()), first.size()},
                     {const_cast<char*>(second.data()), second.size()}};
  iovec* next = pieces;
  int count = 2;
  for (;;) {
    while (count > 0 && next->iov_len == 0) {
      ++next;
      --count;
    }
    if (count == 0) return Status::Ok();
    const ssize_t n = pwritev(state_->fd.get(), next, count, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError("pwritev");
    }
    offset += static_cast<std::uint64_t>(n);
    for (auto left = static_cast<std::size_t>(n); left > 0;) {
      const std::size_t used = std::min(left, next->iov_len);
      next->iov_base = static_cast<char*>(next->iov_base) + used;
      next->iov_len -= used;
      left -= used;
      if (next->iov_len == 0 && left > 0) {
        ++next;
        --count;
      }
    }
  }
}

Status SharedFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
  if (!is_open()) return Error{EBADF, "read"};
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = pread(state_->fd.get(), bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError("pread");
    }
    if (n == 0) return Error{EIO, "pread: end of file"};
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return Status::Ok();
}

Status SharedFile::Close() {
  if (!is_open()) return Status::Ok();
  // POSIX close releases the descriptor even when it reports an error, so
  // it is never tried twice.
  const int fd = state_->fd.release();
  if (close(fd) != 0) return LastError("close");
  return Status::Ok();
}

std::intptr_t SharedFile::ReleaseNativeHandle() {
  if (!is_open()) return -1;
  return state_->fd.release();
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Status DeleteSharedFile(const std::string& path) {
  if (auto deletable = CheckDeletable(path); !deletable) return deletable;
  if (unlink(path.c_str()) != 0) return LastError("unlink " + path);
  return Status::Ok();
}

Status CopySharedFile(const std::string& from, const std::string& to, bool overwrite) {
  auto source = SharedFile::Open(from, kAccessRead, kShareRead | kShareDelete,
                                 FileDisposition::kOpenExisting);
  if (!source) return source.error();
  if (!overwrite && FileExists(to)) return Error{EEXIST, "copy to " + to};
  auto target = SharedFile::Open(to, kAccessWrite, kShareNone, FileDisposition::kCreateAlways);
  if (!target) return target.error();

  auto size = source->Size();
  if (!size) return size.error();
  std::vector<char> buffer(1 << 20);
  for (std::uint64_t offset = 0; offset < *size;) {
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), *size - offset));
    if (auto read = source->ReadAt(offset, buffer.data(), n); !read) return read;
    if (auto written = target->WriteAt(offset, buffer.data(), n); !written) return written;
    offset += n;
  }
  return target->Close();
}

Status RenameSharedFile(const std::string& from, const std::string& to) {
  if (auto deletable = CheckDeletable(from); !deletable) return deletable;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return Status::Ok();
  }
  if (errno != EINVAL && errno != ENOSYS) return LastError("rename " + from);
  // File systems without RENAME_NOREPLACE.
  if (FileExists(to)) return Error{EEXIST, "rename to " + to};
  if (rename(from.c_str(), to.c_str()) != 0) return LastError("rename " + from);
  return Status::Ok();
}

}  // namespace platform
