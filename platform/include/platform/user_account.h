#pragma once
#include <string>

#include "platform/result.h"

namespace platform {

// GetUserNameW: the name of the account the process runs as (its effective
// user); the user id in decimal when the account database has no name for it.
Result<std::string> CurrentUserName();

}  // namespace platform
