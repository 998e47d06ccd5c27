#pragma once
// Access lists read and set with the acl tools (getfacl, setfacl), and the
// check that a folder's file system keeps them.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvt_test {

// Why ACL tests cannot run on `folder`; nothing when they can.
std::optional<std::string> AclUnsupportedReason(const std::filesystem::path& folder);

// getfacl's entries, one a line ("user:nobody:r--", "default:group:users:rwx"
// ...), without its header and effective-rights comments.
std::vector<std::string> AclLines(const std::filesystem::path& path);

// The entries of `lines` that start with `prefix`.
std::vector<std::string> WithPrefix(const std::vector<std::string>& lines, const std::string& prefix);

// setfacl -m ENTRIES PATH; fails the test when setfacl does.
void ModifyAcl(const std::filesystem::path& path, const std::string& entries);

}  // namespace kvt_test

// Skips the test, with the reason, where the folder's file system has no ACLs.
#define KVT_SKIP_WITHOUT_ACLS(folder)                                                    \
  do {                                                                                   \
    if (auto kvt_acl_reason = kvt_test::AclUnsupportedReason(folder)) {                  \
      GTEST_SKIP() << "no POSIX ACL support where the test works: " << *kvt_acl_reason; \
    }                                                                                    \
  } while (false)
