#pragma once
// Folder roots taken from the environment.

#include <optional>
#include <string>

namespace platform::posix {

// The value of `name` when it is set to an absolute path (a relative value is
// ignored, as the XDG rules ask), without trailing "/".
std::optional<std::string> AbsolutePathFromEnv(const char* name);

}  // namespace platform::posix
