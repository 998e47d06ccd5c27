#include <dlfcn.h>
#include <errno.h>

#include <utility>

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

namespace {

Result<LoadedModule> Open(const std::string& name) {
  auto state = std::make_unique<LoadedModule::State>();
  state->handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (state->handle == nullptr) {
    const char* why = dlerror();
    return Error{ENOENT, "load module " + name + ": " + (why ? why : "unknown")};
  }
  return LoadedModule(std::move(state));
}

}  // namespace

Result<LoadedModule> LoadedModule::Load(const std::string& path) {
  if (path.find('/') == std::string::npos) {
    // dlopen would search the library path for a bare name.
    return Error{EINVAL, "load module " + path + ": not a path"};
  }
  return Open(path);
}

Result<LoadedModule> LoadedModule::LoadSystemLibrary(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) {
    return Error{EINVAL, "load library " + name + ": not a bare file name"};
  }
  return Open(name);
}

void* LoadedModule::FindExport(const std::string& name) const {
  if (!state_) return nullptr;
  return FindExportIn(state_->handle, name);
}

ModuleHandle LoadedModule::handle() const { return state_ ? state_->handle : nullptr; }

ModuleHandle LoadedModule::Release() {
  if (!state_) return nullptr;
  return std::exchange(state_->handle, nullptr);
}

LoadedModule LoadedModule::Adopt(ModuleHandle handle) {
  auto state = std::make_unique<State>();
  state->handle = handle;
  return LoadedModule(std::move(state));
}

void* FindExportIn(ModuleHandle module, const std::string& name) {
  if (module == nullptr) return nullptr;
  return dlsym(module, name.c_str());
}

Status FreeModuleHandle(ModuleHandle module) {
  if (module == nullptr) return Error{EINVAL, "free module: no handle"};
  if (dlclose(module) != 0) {
    const char* why = dlerror();
    return Error{EINVAL, std::string("free module: ") + (why ? why : "unknown")};
  }
  return Status::Ok();
}

}  // namespace platform
