#pragma once
// Modules loaded at run time by file name (LoadLibraryExW, GetProcAddress,
// FreeLibrary): shared objects on this backend.

#include <memory>
#include <string>

#include "platform/result.h"

namespace platform {

// A module handle as an exported interface hands it across (HMODULE). Each
// handle obtained from Load or Release holds one reference on the module; the
// module is unloaded when its last reference is freed.
using ModuleHandle = void*;

class LoadedModule {
 public:
  LoadedModule(LoadedModule&&) noexcept;
  LoadedModule& operator=(LoadedModule&&) noexcept;
  ~LoadedModule();  // unloads the module

  // Loads the module at `path` (a full path: no search is made).
  static Result<LoadedModule> Load(const std::string& path);
  // Loads a library of the system by its file name ("libcrypto.so.3"), found
  // where the system keeps its libraries (LoadLibraryW of a bare name).
  static Result<LoadedModule> LoadSystemLibrary(const std::string& name);

  // Address of the export `name`, or null when the module has none.
  void* FindExport(const std::string& name) const;

  ModuleHandle handle() const;
  // Gives up ownership: the caller now holds this object's reference.
  ModuleHandle Release();
  // Takes ownership of one reference held by the caller.
  static LoadedModule Adopt(ModuleHandle handle);

  struct State;  // backend-defined
  explicit LoadedModule(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

// GetProcAddress and FreeLibrary on a handle held outside a LoadedModule.
void* FindExportIn(ModuleHandle module, const std::string& name);
Status FreeModuleHandle(ModuleHandle module);

}  // namespace platform
