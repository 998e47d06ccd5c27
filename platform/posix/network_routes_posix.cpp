#include "platform/network_routes.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

constexpr unsigned long kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned long kRouteReject = 0x0200;  // RTF_REJECT: "unreachable"

bool IsUsable(const std::string& flags_text) {
  unsigned long flags = 0;
  const auto [end, error] = std::from_chars(flags_text.data(), flags_text.data() + flags_text.size(), flags, 16);
  if (error != std::errc() || end != flags_text.data() + flags_text.size()) return false;
  return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0;
}

// /proc/net/route: "Iface Destination Gateway Flags ..." with hexadecimal
// fields after a heading line; the default route has destination and mask 0.
bool HasDefaultIpv4Route(const std::string& procfs_root) {
  std::ifstream table(procfs_root + "/net/route");
  std::string line;
  if (!std::getline(table, line)) return false;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refs, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask)) continue;
    if (destination == "00000000" && mask == "00000000" && IsUsable(flags)) return true;
  }
  return false;
}

// /proc/net/ipv6_route: destination, its prefix length, source, its prefix
// length, next hop, metric, references, use, flags, device; no heading.
bool HasDefaultIpv6Route(const std::string& procfs_root) {
  std::ifstream table(procfs_root + "/net/ipv6_route");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, source, source_prefix, next_hop, metric, refs, use, flags, iface;
    if (!(fields >> destination >> prefix >> source >> source_prefix >> next_hop >> metric >> refs >> use >> flags >>
          iface)) {
      continue;
    }
    if (iface == "lo" || prefix != "00" || destination != std::string(32, '0')) continue;
    if (IsUsable(flags)) return true;
  }
  return false;
}

}  // namespace

bool HasDefaultRoute(const std::string& procfs_root) {
  return HasDefaultIpv4Route(procfs_root) || HasDefaultIpv6Route(procfs_root);
}

}  // namespace platform
