#pragma once
// The machine's display adapters (EnumDisplayDevicesW's adapters): the PCI
// devices of the display class, as the kernel lists them.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DisplayAdapter {
  std::string slot;  // "0000:00:02.0"
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
  std::uint16_t subsystem_vendor = 0;
  std::uint16_t subsystem_device = 0;
  std::uint8_t revision = 0;
  // The firmware showed its boot screen through this adapter: the primary one.
  bool boot_display = false;
  // A driver is bound and offers a render node: drawing runs on the adapter.
  bool renders_in_hardware = false;
};

// The display adapters in slot order. `sysfs_root` is where the kernel's
// device tree is mounted ("/sys"); tests pass a tree of their own.
std::vector<DisplayAdapter> ListDisplayAdapters(const std::string& sysfs_root = "/sys");

}  // namespace platform
