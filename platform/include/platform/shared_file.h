#pragma once
// Files opened with Windows share modes (CreateFileA's access and share
// flags), and the file operations that respect them (DeleteFileA, CopyFileA,
// rename).
//
// The modes are emulated with open-file-description locks on bytes far past
// any real data, so they hold between every handle opened through this layer,
// in this process or another. Files opened by other means are not affected.
// Two opens that race may both be refused; they are never both let through.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

enum FileAccess : unsigned { kAccessRead = 1, kAccessWrite = 2 };
enum FileShare : unsigned { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };
enum class FileDisposition {
  kCreateAlways,      // create, or truncate an existing file
  kOpenExisting,      // fail when the file does not exist
  kCreateNew,         // fail when the file exists
  kOpenAlways,        // open, or create a missing file
  kTruncateExisting,  // fail when the file does not exist, else truncate it
};

// True for the error of an operation refused because another handle holds the
// file without the needed sharing (ERROR_SHARING_VIOLATION).
bool IsSharingViolation(const Error& error);

class SharedFile {
 public:
  SharedFile(SharedFile&&) noexcept;
  SharedFile& operator=(SharedFile&&) noexcept;
  ~SharedFile();  // closes the file

  // `access` is a set of FileAccess bits (read is always granted), `share` a
  // set of FileShare bits.
  static Result<SharedFile> Open(const std::string& path, unsigned access, unsigned share,
                                 FileDisposition disposition);

  Result<std::uint64_t> Size() const;
  // Grows (with zeros) or cuts the file.
  Status SetSize(std::uint64_t size);
  // Writes all of `data` at `offset`. Nothing is buffered in the process: once
  // this returns, the bytes are the operating system's and survive the
  // process's death.
  Status WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // Writes `first` and then `second` as one run of bytes at `offset`, in one
  // call to the operating system where it can.
  Status WriteAt(std::uint64_t offset, std::string_view first, std::string_view second);
  // Reads exactly `size` bytes at `offset`; fewer bytes is an error.
  Status ReadAt(std::uint64_t offset, void* data, std::size_t size) const;
  // Closes now and reports the result; the object is then empty.
  Status Close();
  // Hands the open file to a caller outside the system as the backend's
  // native handle (the file descriptor here), which that caller closes; the
  // share mode holds until then. The object is then empty; -1 when it was.
  std::intptr_t ReleaseNativeHandle();
  bool is_open() const;

  struct State;  // backend-defined
  explicit SharedFile(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

// A regular file exists at `path`.
bool FileExists(const std::string& path);
// DeleteFileA: refused while a handle that does not share deletion is open.
Status DeleteSharedFile(const std::string& path);
// CopyFileA: the source is read with read and delete sharing; the target is
// created anew (replaced when `overwrite`, else refused when it exists).
Status CopySharedFile(const std::string& from, const std::string& to, bool overwrite);
// rename: refused when the target exists or the source is held open without
// delete sharing.
Status RenameSharedFile(const std::string& from, const std::string& to);

}  // namespace platform
