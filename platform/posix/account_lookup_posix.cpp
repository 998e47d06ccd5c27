#include <grp.h>
#include <pwd.h>

#include <vector>

#include "platform/account_lookup.h"

namespace platform {
namespace {

constexpr std::size_t kEntryBuffer = 16 * 1024;

std::optional<Account> LookupUser(const std::string& name) {
  std::vector<char> buffer(kEntryBuffer);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return Account{AccountKind::kUser, found->pw_uid};
}

}  // namespace

std::optional<Account> LookupGroup(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::vector<char> buffer(kEntryBuffer);
  group entry{};
  group* found = nullptr;
  if (getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return Account{AccountKind::kGroup, found->gr_gid};
}

std::optional<Account> LookupAccount(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (auto user = LookupUser(name)) return user;
  return LookupGroup(name);
}

}  // namespace platform
