#pragma once

namespace platform {

// TokenElevation: the process runs with the administrator's rights (as the
// superuser, effective user id 0).
bool ProcessIsElevated();

}  // namespace platform
