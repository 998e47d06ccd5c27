#pragma once
// CAccessPermission: opening a registry key to the current user for one
// write, and closing it again to value changes by that user.

#include <cstdint>
#include <string_view>
#include <vector>

#include "kvt.h"
#include "platform/registry_store.h"

namespace kvt {

enum class AccessMode { kSetAccess, kDenyAccess };

// One entry as BuildExplicitAccessWithNameW makes it.
struct ExplicitAccess {
  std::string user;
  AccessMode mode;
  std::uint32_t rights;
  std::uint32_t inheritance;
};

// SetEntriesInAclW with one explicit entry over `current`: SET_ACCESS
// replaces every entry of the user with one allow entry, DENY_ACCESS adds a
// deny entry (merged into an equal one of the user). Deny entries stay ahead
// of allow entries, as Windows orders them.
std::vector<platform::RegistryAccessEntry> SetEntriesInAcl(
    const std::vector<platform::RegistryAccessEntry>& current, const ExplicitAccess& entry);

class CAccessPermission {
 public:
  // Removes every deny entry of the key, then gives the user KEY_ALL_ACCESS.
  bool GrantCurrentUser(KvtHKEY root, std::u16string_view sub_key);
  // Denies the user KEY_SET_VALUE on the key.
  bool DenySetValue(KvtHKEY root, std::u16string_view sub_key);

 private:
  bool Apply(KvtHKEY root, std::u16string_view sub_key, AccessMode mode, std::uint32_t rights);
};

}  // namespace kvt
