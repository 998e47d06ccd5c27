#pragma once
// Windows pipe names served as Unix stream sockets.
//   "\\.\pipe\NAME" (prefix matched without regard to case)
//     -> <PrivateRuntimeFolder>/pipe/NAME
// NAME is kept as it is (a "\" inside it is an ordinary file-name byte).

#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

// $XDG_RUNTIME_DIR/veska when XDG_RUNTIME_DIR is set and absolute, else
// /tmp/veska-<uid>. Created with mode 0700 when missing. Refused (error) when
// it is not a directory, is owned by another user, or is open to the group or
// to others; the same check applies to its "pipe" sub-folder.
Result<std::string> PrivateRuntimeFolder();

// Socket path for a pipe name; creates the pipe/ sub-folder. Fails for a name
// without the pipe prefix, an empty NAME, a NAME containing "/" or "..",
// a refused runtime folder, or a path too long for a socket address.
Result<std::string> PipeSocketPath(std::string_view pipe_name);

// Checks one folder by the runtime folder's rule (owner = us, no access for
// group or others).
Status CheckPrivateFolder(const std::string& path);

}  // namespace platform
