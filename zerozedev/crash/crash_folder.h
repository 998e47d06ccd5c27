#pragma once
// The folder the crash server writes dumps into: <local application data>/
// trvo/crash, or a fallback when that folder cannot be had.

#include <string>

namespace google_breakpad {

// Where dumps go when the local application-data folder is unavailable: a
// "Dumps" folder in the user's private runtime folder, which only the user
// can enter (dumps hold the client's memory). Empty when that folder is
// refused too.
std::u16string FallbackCrashFolder();

// <local application data>/trvo/crash, its parts created private on the way
// (failures are left to the caller's own check); nothing when the local
// application-data folder is unavailable.
std::u16string LocalCrashFolder();

// Creates the last level of `folder` as a folder only the user may open (an
// existing one of the user's is narrowed to that); true when it is a folder
// afterwards.
bool MakeCrashFolder(const std::u16string& folder);

}  // namespace google_breakpad
