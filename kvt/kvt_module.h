#pragma once
// The library's own module: where it lives and how many of its objects are
// alive (CKvtModule's lock count).

#include <string>

namespace kvt {

// This library's full file path (GetModuleFileNameW on the module instance),
// and its folder with the trailing "/". Empty when the loader cannot say.
const std::string& OwnModulePath();
std::string OwnModuleFolder();

// Raised for the life of every information object.
void LockModule();
void UnlockModule();
long ModuleLockCount();

}  // namespace kvt
