#pragma once
// Well-known folders and the program's own location.

#include <string>

#include "platform/result.h"

namespace platform {

// The user's local application-data folder ($XDG_DATA_HOME when set and
// absolute, else $HOME/.local/share), created when missing. No trailing "/".
Result<std::string> LocalAppDataFolder();

// Machine-wide folder shared by all users, for "Global\" names and machine-wide
// stores: $VESKA_MACHINE_DIR when set and absolute, else /tmp/veska-machine.
// Created with mode 1777 when missing.
Result<std::string> MachineWideFolder();

// Full path of the running executable.
Result<std::string> OwnExecutablePath();
// Folder of the running executable, without a trailing "/".
Result<std::string> OwnExecutableFolder();
// Full path of the module (executable or shared library) that contains
// `address_in_module`.
Result<std::string> ModulePathOf(const void* address_in_module);

Result<std::string> CurrentDirectory();
Status SetCurrentDirectory(const std::string& path);

}  // namespace platform
