#pragma once
// A file's or folder's access list (GetFileSecurityW / SetFileSecurityW with
// the discretionary list): POSIX ACLs on this backend. A folder also has the
// default list its new children inherit.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

enum class AclTag { kOwner, kUser, kOwningGroup, kGroup, kMask, kOther };

inline constexpr unsigned kAclRead = 4;
inline constexpr unsigned kAclWrite = 2;
inline constexpr unsigned kAclExecute = 1;

struct AclEntry {
  AclTag tag = AclTag::kOther;
  std::uint32_t id = 0;  // the uid of kUser, the gid of kGroup; 0 otherwise
  unsigned permissions = 0;  // kAclRead | kAclWrite | kAclExecute
  bool operator==(const AclEntry&) const = default;
};

struct FileAcl {
  bool is_folder = false;
  std::uint32_t owner = 0;         // uid
  std::uint32_t owning_group = 0;  // gid
  std::vector<AclEntry> access;
  std::vector<AclEntry> inherited_by_children;  // folders only; empty: none
};

// Follows symbolic links. Fails for a missing path.
Result<FileAcl> ReadFileAcl(const std::string& path);

// Writes both lists (the children's list only for a folder; empty removes
// it). When a list names users or groups, its mask is made the union of the
// group-class entries, as setfacl does. Either both lists are written or, as
// far as the system allows, neither: a refused access list puts the earlier
// children's list back. Fails with ENOTSUP where the file system keeps no
// ACLs.
Status WriteFileAcl(const std::string& path, const FileAcl& acl);

}  // namespace platform
