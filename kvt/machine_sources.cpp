#include "machine_sources.h"

#include <mutex>

namespace kvt {
namespace {

std::mutex sources_lock;
MachineSources& Sources() {
  static MachineSources sources;
  return sources;
}

}  // namespace

MachineSources CurrentMachineSources() {
  std::lock_guard lock(sources_lock);
  return Sources();
}

void SetMachineSourcesForTesting(MachineSources sources) {
  std::lock_guard lock(sources_lock);
  Sources() = std::move(sources);
}

}  // namespace kvt
