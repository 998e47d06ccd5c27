#pragma once
// Names of PCI devices from the PCI ID database (the pci.ids list).

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// "<vendor name> <device name>" as lspci prints them ("Intel Corporation
// HD Graphics 620"); what the list lacks is named by its number ("Intel
// Corporation Device 1234", "Device 1234:5678"), as also when the list
// cannot be read.
std::optional<std::string> PciDeviceName(std::uint16_t vendor, std::uint16_t device);

}  // namespace platform
