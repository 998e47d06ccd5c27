#pragma once
// Privileges of the running process (AdjustTokenPrivileges): capabilities on
// this backend, which the calling thread holds.

#include "platform/result.h"

namespace platform {

// SeDebugPrivilege: the right to inspect and control other users' processes
// (CAP_SYS_PTRACE). Puts it into effect when the process holds it; not
// holding it is no failure, as the Windows adjustment reports success then
// too. Fails only when the privileges cannot be read or changed.
Status EnableDebugPrivilege();

}  // namespace platform
