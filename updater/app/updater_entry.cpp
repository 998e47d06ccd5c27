#include "updater/app/updater_entry.h"

#include <optional>

#include "platform/named_mutex.h"
#include "updater/app/updater_app.h"

namespace {

constexpr char kInstanceMutexName[] = "VESKA_Win32_Instance_Mutex";
constexpr int kStopped = -1;

}  // namespace

int UpdaterEntry(platform::ModuleImage instance, const std::u16string& commandLine, int argumentCount) {
  auto created = platform::NamedMutex::Create(kInstanceMutexName, false);
  if (!created || created->already_existed) return kStopped;
  platform::NamedMutex instanceMutex = std::move(created->mutex);

  // COM needs no initialisation here.
  int exitCode = kStopped;
  {
    UpdaterApp app(instance);
    if (app.Init(argumentCount)) {
      app.Run(commandLine);
      exitCode = 0;
    }
  }
  instanceMutex.Release();
  return exitCode;
}
