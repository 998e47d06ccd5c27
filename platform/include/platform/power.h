#pragma once
// Switching the machine off (ExitWindowsEx): the login manager (logind) on
// the system bus, which DBUS_SYSTEM_BUS_ADDRESS may name.

#include <string>

#include "platform/result.h"

namespace platform {

// The login manager's answer to whether this user may power off now:
// "yes", "no", "challenge" (only after authentication) or "na".
Result<std::string> CanPowerOff();

// Asks the login manager to power off without asking the user anything.
Status PowerOff();

}  // namespace platform
