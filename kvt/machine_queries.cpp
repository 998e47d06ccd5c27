// Server edition, 64-bit processor and VMware queries.

#include <mutex>
#include <string_view>

#include "kvt.h"
#include "machine_facts.h"
#include "platform/machine.h"

namespace kvt {
namespace {

std::mutex facts_lock;
MachineFacts& Facts() {
  static MachineFacts facts = DefaultMachineFacts();
  return facts;
}

MachineFacts CurrentFacts() {
  std::lock_guard lock(facts_lock);
  return Facts();
}

}  // namespace

MachineFacts DefaultMachineFacts() {
  return {platform::NativeMachineArchitecture, platform::HypervisorVendor,
          platform::FirmwareSystemVendor};
}

void SetMachineFactsForTesting(MachineFacts facts) {
  const MachineFacts defaults = DefaultMachineFacts();
  std::lock_guard lock(facts_lock);
  Facts() = {facts.architecture ? facts.architecture : defaults.architecture,
             facts.hypervisor_vendor ? facts.hypervisor_vendor : defaults.hypervisor_vendor,
             facts.firmware_vendor ? facts.firmware_vendor : defaults.firmware_vendor};
}

}  // namespace kvt

extern "C" {

// A Linux system has no server edition.
bool IsWindowServer(void) { return false; }

// PROCESSOR_ARCHITECTURE_AMD64 and _IA64 of the running system.
bool IsWindow64(void) {
  const std::string architecture = kvt::CurrentFacts().architecture();
  return architecture == "x86_64" || architecture == "ia64";
}

bool IsVMVare(void) {
  const kvt::MachineFacts facts = kvt::CurrentFacts();
  if (facts.hypervisor_vendor() == "VMwareVMware") return true;
  const auto firmware = facts.firmware_vendor();
  return firmware && std::string_view(*firmware).starts_with("VMware");
}

}  // extern "C"
