#pragma once
// Facts about the machine the process runs on.

#include <optional>
#include <string>

namespace platform {

// The processor architecture of the running system (not of this process):
// "x86_64", "aarch64", "i686" ... as the kernel names it.
std::string NativeMachineArchitecture();

// The vendor the firmware reports for the machine (DMI system vendor), as
// written there, without surrounding blanks; empty when none is reported.
std::optional<std::string> FirmwareSystemVendor();

// The 12-character vendor text of the hypervisor the processor reports it
// runs under ("VMwareVMware", "KVMKVMKVM" ...); empty on bare metal or where
// the processor has no such query.
std::optional<std::string> HypervisorVendor();

// The logical processors the system runs (GetSystemInfo's
// dwNumberOfProcessors); at least 1.
unsigned OnlineProcessorCount();

}  // namespace platform
