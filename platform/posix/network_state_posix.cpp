#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <memory>
#include <mutex>

#include "platform/network_state.h"

namespace platform {
namespace {

std::mutex g_override_mutex;
std::shared_ptr<const std::function<bool()>> g_override;

bool AnyInterfaceUp() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool alive = false;
  for (const ifaddrs* entry = list; entry != nullptr && !alive; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr) continue;
    const int family = entry->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    const unsigned flags = entry->ifa_flags;
    alive = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
  }
  freeifaddrs(list);
  return alive;
}

}  // namespace

bool IsNetworkAlive() {
  std::shared_ptr<const std::function<bool()>> answer;
  {
    std::lock_guard lock(g_override_mutex);
    answer = g_override;
  }
  // Called outside the lock: the answer may itself block or count calls.
  if (answer) return (*answer)();
  return AnyInterfaceUp();
}

void SetNetworkAliveForTesting(std::function<bool()> answer) {
  std::lock_guard lock(g_override_mutex);
  if (answer) {
    g_override = std::make_shared<const std::function<bool()>>(std::move(answer));
  } else {
    g_override.reset();
  }
}

}  // namespace platform
