// The library's entry point, its module object and the start and stop calls.

#include "kvt_module.h"

#include <atomic>
#include <cstdint>
#include <mutex>

#include "decompressor_binding.h"
#include "hresult.h"
#include "kvt.h"
#include "module_cache.h"
#include "platform/folders.h"

namespace kvt {
namespace {

constexpr std::uint32_t kUninitializeModules = 2;

std::atomic<long> lock_count{0};
std::atomic<std::uint32_t> uninitialize_mask{0};

// Any address inside this library finds the library.
void AnchorOfThisModule() {}

}  // namespace

const std::string& OwnModulePath() {
  static const std::string path = [] {
    const auto found = platform::ModulePathOf(reinterpret_cast<const void*>(&AnchorOfThisModule));
    return found ? *found : std::string();
  }();
  return path;
}

std::string OwnModuleFolder() {
  const std::string& path = OwnModulePath();
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void LockModule() { lock_count.fetch_add(1); }
void UnlockModule() { lock_count.fetch_sub(1); }
long ModuleLockCount() { return lock_count.load(); }

namespace {

// Process attach: the module instance is stored. At process detach the module
// cache and the DeCompressor binding forget their modules without unloading
// them, as objects those modules made may outlive this library.
__attribute__((constructor)) void OnProcessAttach() { OwnModulePath(); }

}  // namespace
}  // namespace kvt

extern "C" {

HRESULT DllCanUnloadNow(void) { return kvt::ModuleLockCount() == 0 ? kvt::kSOk : kvt::kSFalse; }

int32_t KvtVersion(void) { return 1; }

void KvtInitialize(void) {}

void KvtUninitialize(uint32_t flags) {
  // Each bit acts once in the life of the process; a call sharing any bit
  // with the earlier ones does nothing at all.
  std::uint32_t mask = kvt::uninitialize_mask.load();
  do {
    if ((mask & flags) != 0) return;
  } while (!kvt::uninitialize_mask.compare_exchange_weak(mask, mask | flags));

  if ((flags & kvt::kUninitializeModules) != 0) {
    kvt::DecompressorBinding::Instance().Release();
    auto& cache = kvt::CComFileManager::Instance();
    std::lock_guard lock(cache.CriticalSection());
    cache.DiscardAll();
    cache.FreeUnusedLibraries();
  }
}

}  // extern "C"
