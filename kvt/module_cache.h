#pragma once
// The modules KvtCreateInstance has loaded (CComFileManager).
//
// Each entry holds one reference on its module. An entry goes when
// KvtFreeLibrary frees its module, or when KvtUninitialize(2) empties the
// cache; a module that still reports objects alive is then kept loaded,
// "retired", and freed by a later sweep once it reports it can unload
// (CoFreeUnusedLibraries). No entry ever outlives its module.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hresult.h"
#include "platform/module_loader.h"

namespace kvt {

struct ModuleCacheEntry {
  platform::LoadedModule module;
  std::u16string path;
  DllGetClassObjectFn get_class_object = nullptr;
  DllCanUnloadNowFn can_unload_now = nullptr;
};

class CComFileManager {
 public:
  static CComFileManager& Instance();
  // When the library is unloaded it forgets its modules but leaves them
  // loaded: objects they made may still be in use.
  ~CComFileManager();

  // Guards everything below; recursive, as a critical section is, so that a
  // component may call back into the library while it is being loaded.
  std::recursive_mutex& CriticalSection() { return lock_; }

  // The entry whose path equals `path` without regard to case.
  ModuleCacheEntry* Find(const std::u16string& path);
  ModuleCacheEntry& Add(ModuleCacheEntry entry);
  // Drops the entry (or retired module) of `module` with its reference.
  void Forget(platform::ModuleHandle module);
  // Empties the cache; every module moves to the retired list.
  void DiscardAll();
  // Keeps a module loaded until it reports it can unload.
  void Retire(platform::LoadedModule module, DllCanUnloadNowFn can_unload_now);
  // Frees the retired modules that now report they can unload.
  void FreeUnusedLibraries();

 private:
  struct Retired {
    platform::LoadedModule module;
    DllCanUnloadNowFn can_unload_now;
  };

  std::recursive_mutex lock_;
  std::vector<std::unique_ptr<ModuleCacheEntry>> entries_;
  std::vector<Retired> retired_;
};

}  // namespace kvt
