#pragma once
// Modules loaded at run time by file name (LoadLibraryExW, GetProcAddress,
// FreeLibrary): shared objects on this backend.

#include <memory>
#include <string>

#include "platform/result.h"

namespace platform {

class LoadedModule {
 public:
  LoadedModule(LoadedModule&&) noexcept;
  LoadedModule& operator=(LoadedModule&&) noexcept;
  ~LoadedModule();  // unloads the module

  // Loads the module at `path` (a full path: no search is made).
  static Result<LoadedModule> Load(const std::string& path);

  // Address of the export `name`, or null when the module has none.
  void* FindExport(const std::string& name) const;

  struct State;  // backend-defined
  explicit LoadedModule(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
