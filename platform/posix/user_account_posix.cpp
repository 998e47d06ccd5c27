#include <errno.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/user_account.h"

namespace platform {

Result<std::string> CurrentUserName() {
  const uid_t uid = geteuid();
  std::vector<char> buffer(16 * 1024);
  passwd entry{};
  passwd* found = nullptr;
  const int rc = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
  if (rc == 0 && found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return std::string(found->pw_name);
  }
  if (rc != 0 && rc != ENOENT && rc != ESRCH) return Error{rc, "account of uid " + std::to_string(uid)};
  return std::to_string(uid);
}

}  // namespace platform
