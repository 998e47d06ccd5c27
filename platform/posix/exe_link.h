#pragma once
#include <string>

#include "platform/result.h"

namespace platform::posix {

// Target of a /proc/<pid>/exe link. The kernel appends " (deleted)" once the
// file was removed or replaced (as an update does to a running program); that
// suffix is dropped so the process keeps the name it was started under.
Result<std::string> ReadExeLink(const std::string& link_path);

}  // namespace platform::posix
