#include <dlfcn.h>
#include <errno.h>

#include "platform/module_loader.h"

namespace platform {

struct LoadedModule::State {
  void* handle = nullptr;
  ~State() {
    if (handle != nullptr) dlclose(handle);
  }
};

LoadedModule::LoadedModule(std::unique_ptr<State> state) : state_(std::move(state)) {}
LoadedModule::LoadedModule(LoadedModule&&) noexcept = default;
LoadedModule& LoadedModule::operator=(LoadedModule&&) noexcept = default;
LoadedModule::~LoadedModule() = default;

Result<LoadedModule> LoadedModule::Load(const std::string& path) {
  if (path.find('/') == std::string::npos) {
    // dlopen would search the library path for a bare name.
    return Error{EINVAL, "load module " + path + ": not a path"};
  }
  auto state = std::make_unique<State>();
  state->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (state->handle == nullptr) {
    const char* why = dlerror();
    return Error{ENOENT, "load module " + path + ": " + (why ? why : "unknown")};
  }
  return LoadedModule(std::move(state));
}

void* LoadedModule::FindExport(const std::string& name) const {
  if (!state_ || state_->handle == nullptr) return nullptr;
  return dlsym(state_->handle, name.c_str());
}

}  // namespace platform
