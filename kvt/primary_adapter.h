#pragma once
// The primary display adapter, as EnumDisplayDevicesW describes it.

#include <optional>
#include <string>

namespace kvt {

struct DisplayDeviceRecord {
  std::u16string device_string;  // "Intel Corporation HD Graphics 620"
  std::u16string device_id;      // "PCI\VEN_8086&DEV_5916&SUBSYS_...&REV_02"
  bool renders_in_hardware = false;
};

// The adapter the firmware booted on, from the machine sources' device tree.
std::optional<DisplayDeviceRecord> FindPrimaryAdapter();

// The text after "VEN_" (found without regard to case) up to the next "&"
// or the end; nothing without "VEN_".
std::optional<std::u16string> VendorIdText(const std::u16string& device_id);

}  // namespace kvt
