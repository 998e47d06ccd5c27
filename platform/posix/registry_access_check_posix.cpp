#include "registry_access_check.h"

#include "platform/text.h"

namespace platform::posix {

std::uint32_t GrantedRights(const std::vector<RegistryAccessEntry>& entries, std::string_view user,
                            std::uint32_t wanted) {
  std::uint32_t undecided = wanted;
  std::uint32_t granted = 0;
  for (const auto& entry : entries) {
    if (undecided == 0) break;
    if (!EqualsIgnoreAsciiCase(entry.user, user)) continue;
    const std::uint32_t named = entry.rights & undecided;
    if (!entry.deny) granted |= named;
    undecided &= ~named;
  }
  return granted | undecided;
}

}  // namespace platform::posix
