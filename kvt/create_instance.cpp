// Creating COM objects straight from a module file, without registration,
// and freeing such modules.

#include <exception>
#include <string>

#include "hresult.h"
#include "kvt.h"
#include "kvt_module.h"
#include "module_cache.h"
#include "platform/text.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr std::size_t kMaxPath = 260;

// An absolute path stays; anything else names a file in this library's folder.
std::u16string FullModulePath(std::u16string_view dll_path) {
  if (!dll_path.empty() && dll_path.front() == u'/') return std::u16string(dll_path);
  return platform::Utf8ToUtf16(OwnModuleFolder()) + std::u16string(dll_path);
}

HRESULT CreateFromEntry(const ModuleCacheEntry& entry, const GUID* clsid, const GUID* iid,
                        void** out) {
  void* factory_pointer = nullptr;
  const HRESULT got = entry.get_class_object(clsid, &IID_IClassFactory, &factory_pointer);
  if (got < 0) return got;
  // Success without a factory would hand out nothing as if it were an object.
  if (factory_pointer == nullptr) return kEFail;
  auto* factory = static_cast<IClassFactory*>(factory_pointer);
  const HRESULT created = factory->CreateInstance(nullptr, *iid, out);
  factory->Release();
  return created;
}

HRESULT CreateInstance(const char16_t* dll_path, const GUID* clsid, const GUID* iid, void** out) {
  const std::u16string full_path = FullModulePath(WideArg(dll_path));
  // A longer path would be cut into the name of some other file.
  if (full_path.size() > kMaxPath) return kEFail;

  auto& cache = CComFileManager::Instance();
  std::lock_guard lock(cache.CriticalSection());
  cache.FreeUnusedLibraries();
  ModuleCacheEntry* entry = cache.Find(full_path);
  if (entry == nullptr) {
    auto module = platform::LoadedModule::Load(platform::Utf16ToUtf8(full_path));
    if (!module) return kEFail;
    ModuleCacheEntry loaded{std::move(*module), full_path, nullptr, nullptr};
    loaded.get_class_object =
        reinterpret_cast<DllGetClassObjectFn>(loaded.module.FindExport("DllGetClassObject"));
    loaded.can_unload_now =
        reinterpret_cast<DllCanUnloadNowFn>(loaded.module.FindExport("DllCanUnloadNow"));
    // Without both entry points no entry is made, and nothing keeps the
    // module loaded.
    if (loaded.get_class_object == nullptr || loaded.can_unload_now == nullptr) return kEFail;
    entry = &cache.Add(std::move(loaded));
  }
  return CreateFromEntry(*entry, clsid, iid, out);
}

}  // namespace
}  // namespace kvt

extern "C" {

HRESULT KvtCreateInstance(const char16_t* dllPath, const GUID* clsid, const GUID* iid,
                          void** out) {
  if (dllPath == nullptr || clsid == nullptr || iid == nullptr || out == nullptr) {
    return kvt::kEPointer;
  }
  *out = nullptr;
  try {
    return kvt::CreateInstance(dllPath, clsid, iid, out);
  } catch (...) {
    return kvt::kEFail;
  }
}

int32_t KvtFreeLibrary(KvtModule module) {
  if (module == nullptr) return 0;
  const auto can_unload_now =
      reinterpret_cast<kvt::DllCanUnloadNowFn>(platform::FindExportIn(module, "DllCanUnloadNow"));
  if (can_unload_now != nullptr && can_unload_now() != kvt::kSOk) return -1;
  {
    // The cache's own reference goes with its entry, so that no entry is
    // left pointing at a module this call unloads.
    auto& cache = kvt::CComFileManager::Instance();
    std::lock_guard lock(cache.CriticalSection());
    cache.Forget(module);
  }
  return platform::FreeModuleHandle(module) ? 1 : 0;
}

}  // extern "C"
