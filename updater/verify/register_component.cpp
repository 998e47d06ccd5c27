#include "updater/verify/register_component.h"

#include <cstdint>

#include "platform/module_loader.h"

bool RegisterComponent(bool doRegister, const std::string& path) {
  const char* entryName = doRegister ? "DllRegisterServer" : "DllUnregisterServer";
  auto module = platform::LoadedModule::Load(path);
  if (!module) return false;
  void* entry = module->FindExport(entryName);
  if (entry == nullptr) return false;
  // HRESULT __stdcall (void): negative values are failures.
  using Entry = std::int32_t (*)();
  const std::int32_t result = reinterpret_cast<Entry>(entry)();
  return result >= 0;
}
