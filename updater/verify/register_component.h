#pragma once
// Self-registration of an installer component: the module at `path` is
// loaded, its "DllRegisterServer" (or "DllUnregisterServer") entry is called
// and the module is unloaded. True when the entry ran and reported success.

#include <string>

inline constexpr const char* kInstallerComponentName = "InstallQelApp.dll";

bool RegisterComponent(bool doRegister, const std::string& path);
