#pragma once
#include <string>
#include <sys/types.h>

#include "platform/result.h"

namespace platform::posix {

// mkdir -p: creates `path` and any missing parents; folders created here get
// `mode` (less the umask). An existing path must be a folder.
Status MakeFolders(const std::string& path, mode_t mode);

}  // namespace platform::posix
