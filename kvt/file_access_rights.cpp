// FileAddAccessRights and AddUsersFullAccess.

#include "file_access_rights.h"

#include <algorithm>

#include "kvt.h"
#include "platform/file_acl.h"
#include "wide_text.h"
#include "windows_version.h"

namespace kvt {
namespace {

constexpr std::uint32_t kFileReadData = 0x0001;    // FILE_LIST_DIRECTORY on a folder
constexpr std::uint32_t kFileWriteData = 0x0002;   // FILE_ADD_FILE
constexpr std::uint32_t kFileAppendData = 0x0004;  // FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t kFileExecute = 0x0020;     // FILE_TRAVERSE
constexpr std::uint32_t kFileDeleteChild = 0x0040;

constexpr const char* kUsersGroup = "users";

using platform::AclEntry;
using platform::AclTag;

bool Names(const AclEntry& entry, const platform::Account& account) {
  const AclTag named = account.kind == platform::AccountKind::kUser ? AclTag::kUser : AclTag::kGroup;
  return entry.tag == named && entry.id == account.id;
}

// The account's named entry, replaced by one with the new permissions.
void SetNamedEntry(std::vector<AclEntry>& entries, const platform::Account& account, unsigned permissions) {
  std::erase_if(entries, [&](const AclEntry& e) { return Names(e, account); });
  const AclTag named = account.kind == platform::AccountKind::kUser ? AclTag::kUser : AclTag::kGroup;
  entries.push_back({named, account.id, permissions});
}

// The owner and the owning group are decided by their own entries: a named
// entry for them would not count.
void SetAccessEntry(platform::FileAcl& acl, const platform::Account& account, unsigned permissions) {
  const bool is_owner = account.kind == platform::AccountKind::kUser && account.id == acl.owner;
  const bool is_owning_group = account.kind == platform::AccountKind::kGroup && account.id == acl.owning_group;
  if (is_owner || is_owning_group) {
    const AclTag own = is_owner ? AclTag::kOwner : AclTag::kOwningGroup;
    std::erase_if(acl.access, [&](const AclEntry& e) { return Names(e, account); });
    for (auto& e : acl.access) {
      if (e.tag == own) e.permissions = permissions;
    }
    return;
  }
  SetNamedEntry(acl.access, account, permissions);
}

// A folder without an inherited list starts one from its own base entries,
// as setfacl does.
void SetInheritedEntry(platform::FileAcl& acl, const platform::Account& account, unsigned permissions) {
  if (acl.inherited_by_children.empty()) {
    for (const auto& e : acl.access) {
      if (e.tag == AclTag::kOwner || e.tag == AclTag::kOwningGroup || e.tag == AclTag::kOther) {
        acl.inherited_by_children.push_back(e);
      }
    }
  }
  SetNamedEntry(acl.inherited_by_children, account, permissions);
}

}  // namespace

unsigned PermissionsForAccessMask(std::uint32_t mask, bool folder) {
  unsigned permissions = 0;
  if ((mask & (kGenericRead | kGenericAll | kFileReadData)) != 0) permissions |= platform::kAclRead;
  std::uint32_t write_bits = kGenericWrite | kGenericAll | kFileWriteData | kFileAppendData;
  if (folder) write_bits |= kFileDeleteChild;
  if ((mask & write_bits) != 0) permissions |= platform::kAclWrite;
  if ((mask & (kGenericExecute | kGenericAll | kFileExecute)) != 0) permissions |= platform::kAclExecute;
  // Who may list a folder on Windows may also go into it.
  if (folder && (permissions & platform::kAclRead) != 0) permissions |= platform::kAclExecute;
  return permissions;
}

bool GrantAccountAccess(const std::string& path, const platform::Account& account, std::uint32_t mask) {
  auto acl = platform::ReadFileAcl(path);
  if (!acl) return false;
  const unsigned permissions = PermissionsForAccessMask(mask, acl->is_folder);
  SetAccessEntry(*acl, account, permissions);
  if (acl->is_folder) SetInheritedEntry(*acl, account, permissions);
  return platform::WriteFileAcl(path, *acl).ok();
}

void AddUsersFullAccess(const std::string& path) {
  if (WindowsMajorVersion() <= 5) return;
  if (const auto users = platform::LookupGroup(kUsersGroup)) GrantAccountAccess(path, *users, kGenericAll);
}

}  // namespace kvt

extern "C" bool FileAddAccessRights(const char16_t* path, const char16_t* accountName, uint32_t accessMask) {
  if (path == nullptr || accountName == nullptr) return false;
  const auto account = platform::LookupAccount(kvt::Utf8Arg(accountName));
  if (!account) return false;
  return kvt::GrantAccountAccess(kvt::Utf8Arg(path), *account, accessMask);
}
