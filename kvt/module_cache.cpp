#include "module_cache.h"

#include <algorithm>

#include "platform/text.h"

namespace kvt {

CComFileManager& CComFileManager::Instance() {
  static CComFileManager manager;
  return manager;
}

CComFileManager::~CComFileManager() {
  for (auto& entry : entries_) entry->module.Release();
  for (auto& retired : retired_) retired.module.Release();
}

ModuleCacheEntry* CComFileManager::Find(const std::u16string& path) {
  const std::u16string wanted = platform::ToLowerUtf16(path);
  for (auto& entry : entries_) {
    if (platform::ToLowerUtf16(entry->path) == wanted) return entry.get();
  }
  return nullptr;
}

ModuleCacheEntry& CComFileManager::Add(ModuleCacheEntry entry) {
  entries_.push_back(std::make_unique<ModuleCacheEntry>(std::move(entry)));
  return *entries_.back();
}

void CComFileManager::Forget(platform::ModuleHandle module) {
  std::erase_if(entries_, [module](const auto& e) { return e->module.handle() == module; });
  std::erase_if(retired_, [module](const Retired& r) { return r.module.handle() == module; });
}

void CComFileManager::DiscardAll() {
  for (auto& entry : entries_) Retire(std::move(entry->module), entry->can_unload_now);
  entries_.clear();
}

void CComFileManager::Retire(platform::LoadedModule module, DllCanUnloadNowFn can_unload_now) {
  retired_.push_back({std::move(module), can_unload_now});
}

void CComFileManager::FreeUnusedLibraries() {
  std::erase_if(retired_, [](const Retired& r) {
    return r.can_unload_now == nullptr || r.can_unload_now() == kSOk;
  });
}

}  // namespace kvt
