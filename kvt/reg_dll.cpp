// KvtRegDll: a component's self-registration.

#include <string>

#include "hresult.h"
#include "kvt.h"
#include "platform/module_loader.h"
#include "wide_text.h"

namespace kvt {
namespace {

using RegisterServerFn = HRESULT (*)();

// LoadLibraryExW takes a bare name from the current folder here; the
// loader's own search is never used.
std::string ModulePath(const std::string& path) {
  return path.find('/') == std::string::npos ? "./" + path : path;
}

}  // namespace
}  // namespace kvt

extern "C" bool KvtRegDll(const char16_t* path, bool registerServer) {
  if (path == nullptr || *path == u'\0') return false;
  auto module = platform::LoadedModule::Load(kvt::ModulePath(kvt::Utf8Arg(path)));
  if (!module) return false;
  const char* entry = registerServer ? "DllRegisterServer" : "DllUnregisterServer";
  auto call = reinterpret_cast<kvt::RegisterServerFn>(module->FindExport(entry));
  return call != nullptr && call() >= 0;
}
