// The User Account Control questions and switches. Linux has no file or
// registry virtualisation and no window-message filtering; elevated means
// running as the superuser.

#include "kvt.h"
#include "platform/elevation.h"
#include "registry_calls.h"
#include "windows_version.h"

namespace kvt {
namespace {

constexpr const char16_t* kPoliciesSystemKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

std::uint32_t EnableLua() {
  std::uint32_t value = 1;
  std::uint32_t bytes = sizeof value;
  std::uint32_t type = 0;
  if (ShGetValue(KVT_HKEY_LOCAL_MACHINE, kPoliciesSystemKey, u"EnableLUA", &type, &value, &bytes) != kErrorSuccess) {
    return 1;
  }
  return value;
}

}  // namespace

}  // namespace kvt

extern "C" {

bool IsHasUAC(void) {
  if (kvt::WindowsMajorVersion() <= 5) return true;
  if (kvt::EnableLua() != 1) return true;
  return platform::ProcessIsElevated();
}

int32_t IsSystemUACEnable(void) { return 1; }

bool IsProcessVirtualized(void) { return false; }

bool EnableVirtualized(bool /*enable*/) {
  // Nothing to switch on Linux; Windows, too, reports success whether the
  // switch took or not.
  return kvt::WindowsMajorVersion() > 5;
}

int32_t UACAllowWindowMeesage(uint32_t /*message*/, int32_t /*allow*/) {
  // No message is ever filtered here, as on Windows before Vista.
  return 1;
}

}  // extern "C"
