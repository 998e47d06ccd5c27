#pragma once
// Files and folders that only the user may open, whatever the umask says:
// folders 0700, files 0600. For what carries the user's data: crash dumps,
// crash packages, logs.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

struct StdioCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;

// Creates `path` (its parent must exist) as a private folder. A folder of the
// user's that is already there is narrowed to private; one that belongs to
// someone else, or a link to a folder, is taken as it is. Anything else in
// its place is an error.
Status MakePrivateFolder(const std::string& path);

// MakePrivateFolder for `base` + "/" + each leading part of `relative`, in
// order ("a/b" makes base/a, then base/a/b). `base` itself is left alone.
Result<std::string> MakePrivateFolders(const std::string& base, std::string_view relative);

enum class PrivateFileCreation {
  kNew,      // fails (EEXIST) when the file exists
  kReplace,  // an existing file is emptied and made private
};

// A private file opened for writing as a binary stdio stream.
Result<StdioFile> CreatePrivateFile(const std::string& path, PrivateFileCreation how);

}  // namespace platform
