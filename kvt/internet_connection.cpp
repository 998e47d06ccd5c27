// IsHasInternetConnection: the machine's network state, then its routes.

#include "kvt.h"
#include "machine_sources.h"
#include "platform/network_routes.h"
#include "platform/network_state.h"

// IsNetworkAlive, then InternetGetConnectedState's LAN connection: a
// default route.
extern "C" bool IsHasInternetConnection(void) {
  if (platform::IsNetworkAlive()) return true;
  return platform::HasDefaultRoute(kvt::CurrentMachineSources().procfs_root);
}
