#include <errno.h>
#include <sys/capability.h>

#include "platform/privileges.h"

namespace platform {
namespace {

struct OwnedCaps {
  cap_t caps;
  ~OwnedCaps() {
    if (caps != nullptr) cap_free(caps);
  }
};

}  // namespace

Status EnableDebugPrivilege() {
  OwnedCaps current{cap_get_proc()};
  if (current.caps == nullptr) return LastError("read capabilities");
  cap_flag_value_t permitted = CAP_CLEAR;
  cap_flag_value_t effective = CAP_CLEAR;
  if (cap_get_flag(current.caps, CAP_SYS_PTRACE, CAP_PERMITTED, &permitted) != 0 ||
      cap_get_flag(current.caps, CAP_SYS_PTRACE, CAP_EFFECTIVE, &effective) != 0) {
    return LastError("read capability CAP_SYS_PTRACE");
  }
  if (permitted == CAP_CLEAR || effective == CAP_SET) return Status::Ok();
  const cap_value_t wanted[] = {CAP_SYS_PTRACE};
  if (cap_set_flag(current.caps, CAP_EFFECTIVE, 1, wanted, CAP_SET) != 0 || cap_set_proc(current.caps) != 0) {
    return LastError("raise capability CAP_SYS_PTRACE");
  }
  return Status::Ok();
}

}  // namespace platform
