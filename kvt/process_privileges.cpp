// GetDebugPrivilege and ShutdownWindow.

#include "kvt.h"
#include "platform/power.h"
#include "platform/privileges.h"

extern "C" {

bool GetDebugPrivilege(void) { return platform::EnableDebugPrivilege().ok(); }

bool ShutdownWindow(void) {
  // Only when the login manager lets this user power off without asking, as
  // Windows goes on only when the shutdown privilege was really granted.
  const auto allowed = platform::CanPowerOff();
  if (!allowed || *allowed != "yes") return false;
  return platform::PowerOff().ok();
}

}  // extern "C"
