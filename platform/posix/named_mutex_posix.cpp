#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "platform/folders.h"
#include "platform/named_mutex.h"
#include "platform/pipe_path.h"
#include "platform/unique_fd.h"

// One lock file per name; open-file-description locks on three bytes of it
// carry the mutex between every process that opens the name:
//   kGuardByte   held exclusively for the few steps of Create and Open, so
//                that testing for other handles and joining them is one step;
//   kHandleByte  held shared by every open handle: the name exists while
//                anyone holds it;
//   kOwnerByte   held exclusively by the owner.
// The file's first byte records ownership: '1' while owned. A clean Release
// writes '0' before it unlocks; an owner that dies or closes its handle while
// owning leaves '1', which the next owner reads as abandoned.

namespace platform {
namespace {

constexpr off_t kOwnedMarkerOffset = 0;
constexpr off_t kGuardByte = 1;
constexpr off_t kHandleByte = 2;
constexpr off_t kOwnerByte = 3;
constexpr char kOwned = '1';
constexpr char kFree = '0';

constexpr std::string_view kGlobalPrefix = "Global\\";
constexpr std::string_view kLocalPrefix = "Local\\";

int Lock(int fd, short type, off_t byte, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

bool OthersHold(int fd, off_t byte) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = byte;
  probe.l_len = 1;
  return fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

// Names become file names: "%", "/" and "\" are escaped, and so is a leading
// "." so that no name is hidden or means a folder.
std::string FileNameFor(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string file;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '%' || c == '/' || c == '\\' || c == '\0' || (i == 0 && c == '.')) {
      file += '%';
      file += kHex[c >> 4];
      file += kHex[c & 0xF];
    } else {
      file += static_cast<char>(c);
    }
  }
  return file + ".mutex";
}

struct LockFilePlace {
  std::string path;
  mode_t mode;
};

Result<LockFilePlace> PlaceOf(std::string_view name) {
  if (name.starts_with(kLocalPrefix)) name.remove_prefix(kLocalPrefix.size());
  const bool global = name.starts_with(kGlobalPrefix);
  if (global) name.remove_prefix(kGlobalPrefix.size());
  if (name.empty()) return Error{EINVAL, "mutex name is empty"};
  const std::string file = FileNameFor(name);
  if (file.size() > NAME_MAX) return Error{ENAMETOOLONG, "mutex name " + std::string(name)};
  // Machine-wide names are shared with every user, so their files are open
  // to all; the others live in the user's private folder.
  auto folder = global ? MachineWideFolder() : PrivateRuntimeFolder();
  if (!folder) return folder.error();
  return LockFilePlace{*folder + "/" + file, mode_t(global ? 0666 : 0600)};
}

// Holds kGuardByte for the life of the object.
class GuardedSteps {
 public:
  explicit GuardedSteps(int fd) : fd_(fd), error_(Lock(fd, F_WRLCK, kGuardByte, true)) {}
  ~GuardedSteps() {
    if (error_ == 0) Lock(fd_, F_UNLCK, kGuardByte, false);
  }
  GuardedSteps(const GuardedSteps&) = delete;
  GuardedSteps& operator=(const GuardedSteps&) = delete;
  int error() const { return error_; }

 private:
  int fd_;
  int error_;
};

Status WriteMarker(int fd, char marker) {
  if (pwrite(fd, &marker, 1, kOwnedMarkerOffset) != 1) return LastError("write mutex state");
  return Status::Ok();
}

bool MarkerSaysOwned(int fd) {
  char marker = kFree;
  return pread(fd, &marker, 1, kOwnedMarkerOffset) == 1 && marker == kOwned;
}

}  // namespace

struct NamedMutex::State {
  UniqueFd file;
  std::string name;
  int ownership = 0;  // recursion count of this handle
};

NamedMutex::NamedMutex(std::unique_ptr<State> state) : state_(std::move(state)) {}
NamedMutex::NamedMutex(NamedMutex&&) noexcept = default;
NamedMutex& NamedMutex::operator=(NamedMutex&&) noexcept = default;
// Closing the file drops every lock of this handle. Ownership it still held
// is not released cleanly: the marker stays and the next owner hears
// "abandoned", as when an owning thread ends without releasing.
NamedMutex::~NamedMutex() = default;

Result<NamedMutex::Created> NamedMutex::Create(const std::string& name, bool initially_owned) {
  auto place = PlaceOf(name);
  if (!place) return place.error();
  UniqueFd file(open(place->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, place->mode));
  if (!file) return LastError("create mutex " + name);
  // The umask must not keep other users out of a machine-wide name.
  struct stat info {};
  if (fstat(file.get(), &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 0777) != place->mode) {
    (void)fchmod(file.get(), place->mode);
  }

  GuardedSteps guard(file.get());
  if (guard.error() != 0) return Error{guard.error(), "lock mutex " + name};
  const bool already_existed = OthersHold(file.get(), kHandleByte);
  auto state = std::make_unique<State>();
  if (!already_existed) {
    // Nobody holds the name: whatever an earlier generation left is history.
    if (auto reset = WriteMarker(file.get(), kFree); !reset) return reset.error();
    if (initially_owned) {
      if (const int rc = Lock(file.get(), F_WRLCK, kOwnerByte, false); rc != 0) {
        return Error{rc, "own mutex " + name};
      }
      if (auto marked = WriteMarker(file.get(), kOwned); !marked) return marked.error();
      state->ownership = 1;
    }
  }
  if (const int rc = Lock(file.get(), F_RDLCK, kHandleByte, true); rc != 0) {
    return Error{rc, "open mutex " + name};
  }
  state->file = std::move(file);
  state->name = name;
  return Created{NamedMutex(std::move(state)), already_existed};
}

Result<NamedMutex> NamedMutex::Open(const std::string& name) {
  auto place = PlaceOf(name);
  if (!place) return place.error();
  UniqueFd file(open(place->path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  if (!file) return LastError("open mutex " + name);
  GuardedSteps guard(file.get());
  if (guard.error() != 0) return Error{guard.error(), "lock mutex " + name};
  if (!OthersHold(file.get(), kHandleByte)) return Error{ENOENT, "open mutex " + name + ": no such mutex"};
  if (const int rc = Lock(file.get(), F_RDLCK, kHandleByte, true); rc != 0) {
    return Error{rc, "open mutex " + name};
  }
  auto state = std::make_unique<State>();
  state->file = std::move(file);
  state->name = name;
  return NamedMutex(std::move(state));
}

namespace {

// Called with kOwnerByte just taken: reads and sets the marker.
MutexWait TakeOwnership(int fd, int& ownership) {
  const bool abandoned = MarkerSaysOwned(fd);
  if (!WriteMarker(fd, kOwned)) {
    Lock(fd, F_UNLCK, kOwnerByte, false);
    return MutexWait::kFailed;
  }
  ownership = 1;
  return abandoned ? MutexWait::kAbandoned : MutexWait::kOwned;
}

}  // namespace

MutexWait NamedMutex::Wait(std::chrono::milliseconds timeout) {
  if (!state_) return MutexWait::kFailed;
  if (state_->ownership > 0) {
    ++state_->ownership;
    return MutexWait::kOwned;
  }
  if (timeout >= std::chrono::hours(24 * 365)) return WaitForever();
  // Locks cannot wait with a time limit; short polls that grow to 20 ms do.
  const auto deadline = std::chrono::steady_clock::now() + std::max(timeout, std::chrono::milliseconds(0));
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int rc = Lock(state_->file.get(), F_WRLCK, kOwnerByte, false);
    if (rc == 0) return TakeOwnership(state_->file.get(), state_->ownership);
    if (rc != EAGAIN && rc != EACCES) return MutexWait::kFailed;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return MutexWait::kTimeout;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

MutexWait NamedMutex::WaitForever() {
  if (!state_) return MutexWait::kFailed;
  if (state_->ownership > 0) {
    ++state_->ownership;
    return MutexWait::kOwned;
  }
  if (Lock(state_->file.get(), F_WRLCK, kOwnerByte, true) != 0) return MutexWait::kFailed;
  return TakeOwnership(state_->file.get(), state_->ownership);
}

Status NamedMutex::Release() {
  if (!state_) return Error{EBADF, "release mutex (no handle)"};
  if (state_->ownership == 0) return Error{EPERM, "release mutex " + state_->name + ": not the owner"};
  if (--state_->ownership > 0) return Status::Ok();
  const Status cleared = WriteMarker(state_->file.get(), kFree);
  if (const int rc = Lock(state_->file.get(), F_UNLCK, kOwnerByte, false); rc != 0) {
    return Error{rc, "release mutex " + state_->name};
  }
  return cleared;
}

}  // namespace platform
