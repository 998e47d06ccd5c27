#include <stdlib.h>

#include "env_path.h"

namespace platform::posix {

std::optional<std::string> AbsolutePathFromEnv(const char* name) {
  const char* value = getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  std::string path(value);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace platform::posix
