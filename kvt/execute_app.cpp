// KvtExecuteApp, KvtExecuteAppWithUAC and UACExecuteApp.

#include "kvt.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "shell_execute.h"
#include "wide_text.h"
#include "windows_version.h"

extern "C" {

bool KvtExecuteApp(const char16_t* applicationName, char16_t* commandLine, uint32_t waitMs) {
  if (applicationName == nullptr && commandLine == nullptr) return false;
  platform::SpawnOptions options;
  if (applicationName != nullptr) options.program = kvt::Utf8Arg(applicationName);
  // CreateProcessW looks in the calling program's folder before PATH.
  if (auto folder = platform::OwnExecutableFolder()) options.search_folders.push_back(*folder);
  auto process = platform::Spawn(kvt::Utf8Arg(commandLine), options);
  if (!process) return false;
  kvt::WaitForProcess(*process, waitMs);
  return true;
}

bool KvtExecuteAppWithUAC(const char16_t* file, const char16_t* parameters, uint32_t waitMs) {
  if (file == nullptr) return false;
  return kvt::ShellExecute(kvt::ShellVerb::kOpen, kvt::Utf8Arg(file), kvt::Utf8Arg(parameters), waitMs);
}

bool UACExecuteApp(const char16_t* file, const char16_t* parameters, uint32_t waitMs) {
  if (file == nullptr) return false;
  const auto verb = kvt::WindowsMajorVersion() < 6 ? kvt::ShellVerb::kOpen : kvt::ShellVerb::kRunAs;
  return kvt::ShellExecute(verb, kvt::Utf8Arg(file), kvt::Utf8Arg(parameters), waitMs);
}

}  // extern "C"
