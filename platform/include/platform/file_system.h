#pragma once
// Paths, folders and moves (GetFileAttributesW, FindFirstFileW's facts,
// CreateDirectoryW, MoveFileExW). Symbolic links are followed unless a
// function says otherwise.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/result.h"

namespace platform {

enum class PathKind { kFile, kFolder, kOther };

struct FileFacts {
  PathKind kind = PathKind::kOther;
  std::uint64_t size = 0;
  // Seconds since 1970 (UTC). The birth time is kept by some file systems
  // only.
  std::optional<std::int64_t> birth_time;
  std::int64_t modification_time = 0;
};

// ENOENT when nothing is at `path`.
Result<FileFacts> ReadFileFacts(const std::string& path);
bool IsFolder(const std::string& path);
// Something (a file, folder or any other object) is at `path`, or a link
// that leads nowhere.
bool PathExists(const std::string& path);

// One folder (its parent must exist): EEXIST when something is already at
// `path`, ENOENT when the parent is missing.
Status CreateFolder(const std::string& path);

struct MoveOptions {
  bool replace_existing = false;  // a file (never a folder) at the target is replaced
  bool allow_copy = false;        // a file may move to another file system by copy and delete
};

struct MoveOutcome {
  bool copied = false;  // moved to another file system: the target is a new file
};

// Moves a file, link or folder. Refused while a handle opened through
// SharedFile holds the file without delete sharing. A file copied to another
// file system whose original cannot then be deleted still counts as moved,
// as on Windows; a failed copy leaves no target behind.
Result<MoveOutcome> MovePath(const std::string& from, const std::string& to, const MoveOptions& options);

}  // namespace platform
