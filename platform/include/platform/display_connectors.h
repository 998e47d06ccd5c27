#pragma once
// The outputs of the machine's display adapters and whether a screen is
// plugged into each (the kernel's DRM connectors).

#include <string>
#include <vector>

namespace platform {

struct DisplayConnector {
  std::string name;  // "card0-HDMI-A-1"
  std::string kind;  // "HDMI-A", "DP", "eDP", "LVDS", "Virtual" ...
  bool connected = false;
};

// In name order. `sysfs_root` as for ListDisplayAdapters.
std::vector<DisplayConnector> ListDisplayConnectors(const std::string& sysfs_root = "/sys");

}  // namespace platform
