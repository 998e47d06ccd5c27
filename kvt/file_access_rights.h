#pragma once
// FileAddAccessRights on POSIX access lists, and the "Users" rule of the
// file helpers built on it.

#include <cstdint>
#include <string>

#include "platform/account_lookup.h"

namespace kvt {

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kGenericExecute = 0x20000000u;
inline constexpr std::uint32_t kGenericAll = 0x10000000u;

// The access-list permissions (read 4, write 2, execute 1) that stand for a
// Windows access mask on a file or on a folder.
unsigned PermissionsForAccessMask(std::uint32_t mask, bool folder);

// Makes `account`'s access to `path` exactly `mask`: one entry for it (the
// owner's or owning group's own entry when it is that account), every other
// entry kept; on a folder also one entry in the list its new children
// inherit. False, with the path unchanged, on any failure.
bool GrantAccountAccess(const std::string& path, const platform::Account& account, std::uint32_t mask);

// AddUsersFullAccess: on Vista and later (Windows major version above 5)
// the local group "users" gets GENERIC_ALL. Failures are not reported.
void AddUsersFullAccess(const std::string& path);

}  // namespace kvt
