// The version resource of our own modules (RT_VERSION 16, id 1, in the
// module resources the build links into them).

#include "file_version.h"

namespace kvt {

std::optional<std::vector<std::uint8_t>> ReadOwnModuleVersionResource(const std::string& /*path*/) {
  return std::nullopt;
}

}  // namespace kvt
