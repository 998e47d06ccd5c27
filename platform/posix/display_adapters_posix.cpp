#include "platform/display_adapters.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kDisplayClass = 0x03;  // PCI base class "display controller"

std::optional<unsigned long> ReadHexFile(const fs::path& path) {
  std::ifstream file(path);
  std::string text;
  if (!(file >> text)) return std::nullopt;
  if (text.starts_with("0x") || text.starts_with("0X")) text.erase(0, 2);
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool HasRenderNode(const fs::path& device) {
  std::error_code error;
  if (!fs::exists(device / "driver", error)) return false;
  for (fs::directory_iterator it(device / "drm", error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

std::optional<DisplayAdapter> ReadAdapter(const fs::path& device) {
  const auto pci_class = ReadHexFile(device / "class");
  if (!pci_class || (*pci_class >> 16) != kDisplayClass) return std::nullopt;
  const auto vendor = ReadHexFile(device / "vendor");
  const auto id = ReadHexFile(device / "device");
  if (!vendor || !id) return std::nullopt;
  DisplayAdapter adapter;
  adapter.slot = device.filename().string();
  adapter.vendor = static_cast<std::uint16_t>(*vendor);
  adapter.device = static_cast<std::uint16_t>(*id);
  adapter.subsystem_vendor = static_cast<std::uint16_t>(ReadHexFile(device / "subsystem_vendor").value_or(0));
  adapter.subsystem_device = static_cast<std::uint16_t>(ReadHexFile(device / "subsystem_device").value_or(0));
  adapter.revision = static_cast<std::uint8_t>(ReadHexFile(device / "revision").value_or(0));
  adapter.boot_display = ReadHexFile(device / "boot_vga").value_or(0) == 1;
  adapter.renders_in_hardware = HasRenderNode(device);
  return adapter;
}

}  // namespace

std::vector<DisplayAdapter> ListDisplayAdapters(const std::string& sysfs_root) {
  std::vector<DisplayAdapter> adapters;
  std::error_code error;
  const fs::path devices = fs::path(sysfs_root) / "bus/pci/devices";
  for (fs::directory_iterator it(devices, error), end; !error && it != end; it.increment(error)) {
    if (auto adapter = ReadAdapter(it->path())) adapters.push_back(std::move(*adapter));
  }
  std::sort(adapters.begin(), adapters.end(),
            [](const DisplayAdapter& a, const DisplayAdapter& b) { return a.slot < b.slot; });
  return adapters;
}

}  // namespace platform
