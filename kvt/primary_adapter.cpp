#include "primary_adapter.h"

#include <cstdio>

#include "machine_sources.h"
#include "platform/display_adapters.h"
#include "platform/pci_names.h"
#include "platform/text.h"

namespace kvt {

std::optional<DisplayDeviceRecord> FindPrimaryAdapter() {
  for (const platform::DisplayAdapter& adapter : platform::ListDisplayAdapters(CurrentMachineSources().sysfs_root)) {
    if (!adapter.boot_display) continue;
    char id[64];
    std::snprintf(id, sizeof id, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X", adapter.vendor, adapter.device,
                  adapter.subsystem_device, adapter.subsystem_vendor, adapter.revision);
    DisplayDeviceRecord record;
    record.device_string = platform::Utf8ToUtf16(platform::PciDeviceName(adapter.vendor, adapter.device).value_or(""));
    record.device_id = platform::Utf8ToUtf16(id);
    record.renders_in_hardware = adapter.renders_in_hardware;
    return record;
  }
  return std::nullopt;
}

std::optional<std::u16string> VendorIdText(const std::u16string& device_id) {
  const std::u16string lower = platform::ToLowerUtf16(device_id);
  const auto found = lower.find(u"ven_");
  if (found == std::u16string::npos) return std::nullopt;
  const auto begin = found + 4;
  const auto end = device_id.find(u'&', begin);
  return device_id.substr(begin, end == std::u16string::npos ? std::u16string::npos : end - begin);
}

}  // namespace kvt
