#pragma once
// Whether the machine has a route out of its own networks
// (InternetGetConnectedState's LAN connection).

#include <string>

namespace platform {

// A default route (IPv4 or IPv6) that is up. `procfs_root` is where the
// kernel's process file system is mounted ("/proc"); tests pass their own.
bool HasDefaultRoute(const std::string& procfs_root = "/proc");

}  // namespace platform
