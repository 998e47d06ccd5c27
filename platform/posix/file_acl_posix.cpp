#include <acl/libacl.h>
#include <errno.h>
#include <sys/acl.h>
#include <sys/stat.h>

#include <optional>

#include "platform/file_acl.h"

namespace platform {
namespace {

// libacl may move a list while it grows, so the owner keeps the handle
// itself, not a copy of it.
struct OwnedAcl {
  acl_t acl = nullptr;
  explicit OwnedAcl(acl_t owned) : acl(owned) {}
  OwnedAcl(const OwnedAcl&) = delete;
  OwnedAcl& operator=(const OwnedAcl&) = delete;
  ~OwnedAcl() {
    if (acl != nullptr) acl_free(acl);
  }
};

std::optional<AclTag> TagOf(acl_tag_t tag) {
  switch (tag) {
    case ACL_USER_OBJ: return AclTag::kOwner;
    case ACL_USER: return AclTag::kUser;
    case ACL_GROUP_OBJ: return AclTag::kOwningGroup;
    case ACL_GROUP: return AclTag::kGroup;
    case ACL_MASK: return AclTag::kMask;
    case ACL_OTHER: return AclTag::kOther;
    default: return std::nullopt;
  }
}

acl_tag_t SystemTag(AclTag tag) {
  switch (tag) {
    case AclTag::kOwner: return ACL_USER_OBJ;
    case AclTag::kUser: return ACL_USER;
    case AclTag::kOwningGroup: return ACL_GROUP_OBJ;
    case AclTag::kGroup: return ACL_GROUP;
    case AclTag::kMask: return ACL_MASK;
    case AclTag::kOther: return ACL_OTHER;
  }
  return ACL_UNDEFINED_TAG;
}

Result<std::vector<AclEntry>> ReadList(const std::string& path, acl_type_t type) {
  OwnedAcl acl(acl_get_file(path.c_str(), type));
  if (acl.acl == nullptr) return LastError("read access list of " + path);
  std::vector<AclEntry> entries;
  acl_entry_t entry = nullptr;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl.acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
    acl_tag_t system_tag = ACL_UNDEFINED_TAG;
    acl_permset_t permset = nullptr;
    if (acl_get_tag_type(entry, &system_tag) != 0 || acl_get_permset(entry, &permset) != 0) {
      return LastError("read access entry of " + path);
    }
    const auto tag = TagOf(system_tag);
    if (!tag) continue;
    AclEntry out{*tag, 0, 0};
    if (*tag == AclTag::kUser || *tag == AclTag::kGroup) {
      void* qualifier = acl_get_qualifier(entry);
      if (qualifier == nullptr) return LastError("read access entry of " + path);
      out.id = *static_cast<const std::uint32_t*>(qualifier);
      acl_free(qualifier);
    }
    if (acl_get_perm(permset, ACL_READ) == 1) out.permissions |= kAclRead;
    if (acl_get_perm(permset, ACL_WRITE) == 1) out.permissions |= kAclWrite;
    if (acl_get_perm(permset, ACL_EXECUTE) == 1) out.permissions |= kAclExecute;
    entries.push_back(out);
  }
  return entries;
}

bool NamesAccounts(const std::vector<AclEntry>& entries) {
  for (const auto& e : entries) {
    if (e.tag == AclTag::kUser || e.tag == AclTag::kGroup) return true;
  }
  return false;
}

Status Build(const std::vector<AclEntry>& entries, const std::string& path, OwnedAcl& acl) {
  const std::string what = "build access list of " + path;
  for (const auto& e : entries) {
    acl_entry_t entry = nullptr;
    acl_permset_t permset = nullptr;
    if (acl_create_entry(&acl.acl, &entry) != 0 || acl_set_tag_type(entry, SystemTag(e.tag)) != 0 ||
        acl_get_permset(entry, &permset) != 0 || acl_clear_perms(permset) != 0) {
      return LastError(what);
    }
    if (e.tag == AclTag::kUser || e.tag == AclTag::kGroup) {
      const std::uint32_t id = e.id;
      if (acl_set_qualifier(entry, &id) != 0) return LastError(what);
    }
    if ((e.permissions & kAclRead) != 0) acl_add_perm(permset, ACL_READ);
    if ((e.permissions & kAclWrite) != 0) acl_add_perm(permset, ACL_WRITE);
    if ((e.permissions & kAclExecute) != 0) acl_add_perm(permset, ACL_EXECUTE);
    if (acl_set_permset(entry, permset) != 0) return LastError(what);
  }
  if (NamesAccounts(entries) && acl_calc_mask(&acl.acl) != 0) return LastError(what);
  if (acl_valid(acl.acl) != 0) return Error{EINVAL, "access list of " + path + " is not valid"};
  return Status::Ok();
}

Status WriteList(const std::string& path, acl_type_t type, const std::vector<AclEntry>& entries) {
  if (type == ACL_TYPE_DEFAULT && entries.empty()) {
    if (acl_delete_def_file(path.c_str()) != 0) return LastError("remove default access list of " + path);
    return Status::Ok();
  }
  OwnedAcl acl(acl_init(static_cast<int>(entries.size())));
  if (acl.acl == nullptr) return LastError("build access list of " + path);
  if (auto built = Build(entries, path, acl); !built) return built;
  if (acl_set_file(path.c_str(), type, acl.acl) != 0) return LastError("write access list of " + path);
  return Status::Ok();
}

}  // namespace

Result<FileAcl> ReadFileAcl(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return LastError("stat " + path);
  FileAcl acl;
  acl.is_folder = S_ISDIR(info.st_mode);
  acl.owner = info.st_uid;
  acl.owning_group = info.st_gid;
  auto access = ReadList(path, ACL_TYPE_ACCESS);
  if (!access) return access.error();
  acl.access = std::move(*access);
  if (acl.is_folder) {
    auto inherited = ReadList(path, ACL_TYPE_DEFAULT);
    if (!inherited) return inherited.error();
    acl.inherited_by_children = std::move(*inherited);
  }
  return acl;
}

Status WriteFileAcl(const std::string& path, const FileAcl& acl) {
  if (!acl.is_folder) return WriteList(path, ACL_TYPE_ACCESS, acl.access);
  auto earlier = ReadList(path, ACL_TYPE_DEFAULT);
  if (!earlier) return earlier.error();
  if (auto written = WriteList(path, ACL_TYPE_DEFAULT, acl.inherited_by_children); !written) return written;
  auto written = WriteList(path, ACL_TYPE_ACCESS, acl.access);
  if (!written) WriteList(path, ACL_TYPE_DEFAULT, *earlier);
  return written;
}

}  // namespace platform
