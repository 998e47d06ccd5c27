#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/machine.h"

namespace platform {
namespace {

constexpr const char* kDmiSystemVendor = "/sys/class/dmi/id/sys_vendor";

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string NativeMachineArchitecture() {
  utsname name{};
  if (uname(&name) != 0) return {};
  return name.machine;
}

std::optional<std::string> FirmwareSystemVendor() {
  std::ifstream file(kDmiSystemVendor);
  if (!file) return std::nullopt;
  std::string vendor = Trimmed(std::string(std::istreambuf_iterator<char>(file), {}));
  if (vendor.empty()) return std::nullopt;
  return vendor;
}

std::optional<std::string> HypervisorVendor() {
#if defined(__x86_64__) || defined(__i386__)
  constexpr unsigned kHypervisorPresentBit = 1u << 31;
  constexpr unsigned kHypervisorLeaf = 0x40000000;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & kHypervisorPresentBit) == 0) {
    return std::nullopt;
  }
  __cpuid(kHypervisorLeaf, eax, ebx, ecx, edx);
  char vendor[13] = {};
  std::memcpy(vendor, &ebx, 4);
  std::memcpy(vendor + 4, &ecx, 4);
  std::memcpy(vendor + 8, &edx, 4);
  if (vendor[0] == '\0') return std::nullopt;
  return std::string(vendor);
#else
  return std::nullopt;
#endif
}

unsigned OnlineProcessorCount() {
  const long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<unsigned>(count) : 1u;
}

}  // namespace platform
