// The version resource of our own modules (RT_VERSION 16, id 1, in the
// module resources the build links into them), read from the file.

#include "file_version.h"
#include "platform/module_file_resources.h"

namespace kvt {

std::optional<std::vector<std::uint8_t>> ReadOwnModuleVersionResource(const std::string& path) {
  auto bytes = platform::ReadModuleFileResource(path, u"#16", 1);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace kvt
