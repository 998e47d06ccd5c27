#include "access_permission.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/text.h"
#include "platform/user_account.h"
#include "registry_calls.h"

namespace kvt {
namespace {

constexpr std::size_t kMaxObjectName = 2048;
constexpr std::uint32_t kSubContainersAndObjectsInherit = 3;

std::optional<std::u16string> RootName(KvtHKEY root) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return std::nullopt;
  switch (*store_root) {
    case platform::RegistryRoot::kClassesRoot: return u"CLASSES_ROOT";
    case platform::RegistryRoot::kCurrentUser: return u"CURRENT_USER";
    case platform::RegistryRoot::kLocalMachine: return u"MACHINE";
    case platform::RegistryRoot::kUsers: return u"USERS";
  }
  return std::nullopt;
}

// "%s\%s" of the root name and the sub-key, as the security functions name
// the key.
std::optional<std::string> ObjectName(KvtHKEY root, std::u16string_view sub_key) {
  const auto root_name = RootName(root);
  if (!root_name) return std::nullopt;
  std::u16string name = *root_name + u"\\" + std::u16string(sub_key);
  if (name.size() > kMaxObjectName) name.resize(kMaxObjectName);
  return platform::Utf16ToUtf8(name);
}

bool SameUser(const std::string& a, const std::string& b) {
  return platform::EqualsIgnoreAsciiCase(a, b);
}

}  // namespace

std::vector<platform::RegistryAccessEntry> SetEntriesInAcl(
    const std::vector<platform::RegistryAccessEntry>& current, const ExplicitAccess& entry) {
  std::vector<platform::RegistryAccessEntry> denies;
  std::vector<platform::RegistryAccessEntry> allows;
  for (const auto& e : current) {
    if (entry.mode == AccessMode::kSetAccess && SameUser(e.user, entry.user)) continue;
    (e.deny ? denies : allows).push_back(e);
  }
  if (entry.mode == AccessMode::kSetAccess) {
    allows.insert(allows.begin(), {entry.user, false, entry.rights, entry.inheritance});
  } else {
    const auto same = std::find_if(denies.begin(), denies.end(), [&](const auto& e) {
      return SameUser(e.user, entry.user) && e.inheritance == entry.inheritance;
    });
    if (same != denies.end()) {
      same->rights |= entry.rights;
    } else {
      denies.insert(denies.begin(), {entry.user, true, entry.rights, entry.inheritance});
    }
  }
  denies.insert(denies.end(), allows.begin(), allows.end());
  return denies;
}

bool CAccessPermission::GrantCurrentUser(KvtHKEY root, std::u16string_view sub_key) {
  return Apply(root, sub_key, AccessMode::kSetAccess, platform::kKeyAllAccess);
}

bool CAccessPermission::DenySetValue(KvtHKEY root, std::u16string_view sub_key) {
  return Apply(root, sub_key, AccessMode::kDenyAccess, platform::kKeySetValue);
}

bool CAccessPermission::Apply(KvtHKEY root, std::u16string_view sub_key, AccessMode mode,
                              std::uint32_t rights) {
  const auto user = platform::CurrentUserName();
  if (!user) return false;
  const auto object = ObjectName(root, sub_key);
  if (!object) return false;
  auto entries = platform::RegistryGetAccessEntries(*object);
  if (!entries) return false;
  if (mode == AccessMode::kSetAccess) {
    std::erase_if(*entries, [](const auto& e) { return e.deny; });
  }
  const auto updated =
      SetEntriesInAcl(*entries, {*user, mode, rights, kSubContainersAndObjectsInherit});
  return platform::RegistrySetAccessEntries(*object, updated).ok();
}

}  // namespace kvt
