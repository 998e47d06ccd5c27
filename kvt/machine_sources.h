#pragma once
// Where the library reads the machine: the processor, the kernel's device
// tree and process file system, and the system's crypto library (the MD5
// digests). Tests put processors, trees and names of their own in their place.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/cpuid.h"

namespace kvt {

struct MachineSources {
  std::string sysfs_root = "/sys";
  std::string procfs_root = "/proc";
  std::string crypto_library = "libcrypto.so.3";
  std::function<std::optional<platform::CpuidRegisters>(std::uint32_t leaf)> cpuid = platform::QueryCpuid;
};

MachineSources CurrentMachineSources();
// Default-constructed sources restore the machine's own.
void SetMachineSourcesForTesting(MachineSources sources);

}  // namespace kvt
