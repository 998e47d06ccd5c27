#include "zerozedev/process/stray_clients.h"

#include <chrono>
#include <vector>

#include "platform/process.h"
#include "platform/process_list.h"
#include "platform/text.h"
#include "zerozedev/log/launcher_log.h"

namespace zerozedev {

int TerminateStrayClients(std::string_view exe_name) {
  constexpr auto kWaitForEnd = std::chrono::milliseconds(5000);
  auto snapshot = platform::SnapshotProcesses();
  if (!snapshot) return 0;
  std::vector<int> ids;
  for (const auto& p : *snapshot) {
    if (platform::EqualsIgnoreAsciiCase(p.exe_name, exe_name)) ids.push_back(p.pid);
  }
  int ended = 0;
  for (const int id : ids) {
    // One that cannot be opened (gone, or not ours to end) is left alone.
    auto process = platform::Process::Open(id);
    if (!process) continue;
    if (!process->Terminate(0)) continue;
    process->Wait(kWaitForEnd);
    ++ended;
    LauncherLog::Instance().Write(4, "cefprocessmanager", __LINE__,
                                  "CefProcessManager::RunProcessOnce",
                                  "terminated stray client %d", id);
  }
  return ended;
}

}  // namespace zerozedev
