#pragma once
// The machine facts behind IsWindow64 and IsVMVare, replaceable in tests.

#include <functional>
#include <optional>
#include <string>

namespace kvt {

struct MachineFacts {
  std::function<std::string()> architecture;                     // "x86_64", "aarch64" ...
  std::function<std::optional<std::string>()> hypervisor_vendor;  // "VMwareVMware" ...
  std::function<std::optional<std::string>()> firmware_vendor;    // "VMware, Inc." ...
};

MachineFacts DefaultMachineFacts();
// An empty function restores that fact's default.
void SetMachineFactsForTesting(MachineFacts facts);

}  // namespace kvt
