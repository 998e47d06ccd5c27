#pragma once
// An open folder whose entries can be listed and removed by name, so that a
// walk over a tree stays inside it: a symbolic link is never followed and a
// folder of another file system (a mount point) is never entered.

#include <memory>
#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

enum class EntryKind { kFile, kFolder, kLink, kOther };

struct FolderEntry {
  std::string name;
  EntryKind kind = EntryKind::kOther;
};

class FolderHandle {
 public:
  FolderHandle(FolderHandle&&) noexcept;
  FolderHandle& operator=(FolderHandle&&) noexcept;
  ~FolderHandle();

  // Refused (ELOOP) when `path` itself is a symbolic link.
  static Result<FolderHandle> Open(const std::string& path);

  // The folder is the root of the whole file system ("/").
  bool IsFileSystemRoot() const;

  // The entries without "." and "..", in the order the system lists them.
  Result<std::vector<FolderEntry>> Entries() const;
  // Refused with ELOOP for a link and EXDEV for a folder on which another
  // file system is mounted.
  Result<FolderHandle> OpenChild(const std::string& name) const;
  // A file, link or other object; refused (a sharing violation) while a
  // handle opened through SharedFile holds the file without delete sharing.
  Status RemoveEntry(const std::string& name) const;
  // An empty sub-folder.
  Status RemoveChildFolder(const std::string& name) const;

  struct State;  // backend-defined
  explicit FolderHandle(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

// RemoveDirectoryW: an empty folder (never a link to one).
Status RemoveEmptyFolder(const std::string& path);

}  // namespace platform
