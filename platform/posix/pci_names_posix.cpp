#include "platform/pci_names.h"

extern "C" {
#include <pci/pci.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

// libpci reports an unreadable list as a warning, which is no failure here;
// its debugging messages are not wanted either.
void Ignore(char*, ...) {}

// Reached only when libpci runs out of memory, where it cannot go on. The
// GNU spelling makes "no return" part of the type, as libpci's hook declares
// it (clang refuses the assignment otherwise).
__attribute__((noreturn)) void FatalError(char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}

// The list is read once, on the first lookup, and kept.
class NameList {
 public:
  NameList() : access_(pci_alloc()) {
    access_->warning = Ignore;
    access_->debug = Ignore;
    access_->error = FatalError;
    // Neither the per-user cache of network answers nor the network.
    access_->id_lookup_mode = 0;
  }
  ~NameList() { pci_cleanup(access_); }

  std::optional<std::string> DeviceName(std::uint16_t vendor, std::uint16_t device) {
    // Only the list: neither udev's database nor the network.
    constexpr int kListOnly = PCI_LOOKUP_NO_HWDB;
    char both[512];
    std::lock_guard lock(lock_);
    const char* name = pci_lookup_name(access_, both, sizeof both, PCI_LOOKUP_VENDOR | PCI_LOOKUP_DEVICE | kListOnly,
                                       vendor, device);
    if (name == nullptr) return std::nullopt;
    return std::string(name);
  }

 private:
  std::mutex lock_;
  pci_access* access_;
};

}  // namespace

std::optional<std::string> PciDeviceName(std::uint16_t vendor, std::uint16_t device) {
  static NameList list;
  return list.DeviceName(vendor, device);
}

}  // namespace platform
