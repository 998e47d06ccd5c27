#pragma once
// Accounts by name (LookupAccountNameW): users and groups of the system's
// account database.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class AccountKind { kUser, kGroup };

struct Account {
  AccountKind kind = AccountKind::kUser;
  std::uint32_t id = 0;  // uid or gid
};

// A user of that name, else a group of that name; nothing when neither
// exists. Where a user and a group share a name (a user's private group),
// the user is meant.
std::optional<Account> LookupAccount(const std::string& name);
std::optional<Account> LookupGroup(const std::string& name);

}  // namespace platform
