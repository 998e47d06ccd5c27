#include "decompressor_binding.h"

#include "hresult.h"
#include "kvt_module.h"
#include "module_cache.h"

namespace kvt {
namespace {

constexpr const char* kDecompressorFileName = "DeCompressor.dll";

}  // namespace

DecompressorBinding& DecompressorBinding::Instance() {
  static DecompressorBinding binding;
  return binding;
}

DecompressorBinding::~DecompressorBinding() {
  if (module_) module_->Release();
}

void* DecompressorBinding::EntryPoint(const char* name, void*& cached) {
  std::lock_guard lock(lock_);
  if (cached != nullptr) return cached;
  if (!module_) {
    const std::string folder = OwnModuleFolder();
    if (folder.empty()) return nullptr;
    auto loaded = platform::LoadedModule::Load(folder + kDecompressorFileName);
    if (!loaded) return nullptr;
    module_.emplace(std::move(*loaded));
  }
  cached = module_->FindExport(name);
  return cached;
}

DecompressorCreateObjectFn DecompressorBinding::CreateObject() {
  return reinterpret_cast<DecompressorCreateObjectFn>(EntryPoint("CreateObject", create_object_));
}

DecompressorUnZipFn DecompressorBinding::UnZipFileToDirectory() {
  return reinterpret_cast<DecompressorUnZipFn>(EntryPoint("UnZipFileToDirectory", unzip_));
}

void DecompressorBinding::Release() {
  std::optional<platform::LoadedModule> module;
  {
    std::lock_guard lock(lock_);
    create_object_ = nullptr;
    unzip_ = nullptr;
    module.swap(module_);
  }
  if (!module) return;
  const auto can_unload_now =
      reinterpret_cast<DllCanUnloadNowFn>(module->FindExport("DllCanUnloadNow"));
  // Without that export the component is simply freed.
  if (can_unload_now == nullptr) return;
  auto& cache = CComFileManager::Instance();
  std::lock_guard cache_lock(cache.CriticalSection());
  cache.Retire(std::move(*module), can_unload_now);
}

}  // namespace kvt
