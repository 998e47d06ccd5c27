#include "platform/process.h"
#include "platform/process_list.h"
#include "proc_entry.h"

namespace platform {

int TerminateProcessesNamed(const std::string& exe_name) {
  auto snapshot = SnapshotProcesses();
  if (!snapshot) return 0;
  int signalled = 0;
  for (const ProcessEntry& entry : *snapshot) {
    if (entry.exe_name != exe_name) continue;
    auto process = Process::Open(entry.pid);
    if (!process) continue;  // ended meanwhile
    // The id may have passed to a new process since the snapshot; the open
    // handle pins whichever process has it now, so look once more.
    const auto now = posix::ReadProcessEntry(entry.pid);
    if (!now || now->exe_name != exe_name) continue;
    if (process->Terminate()) ++signalled;
  }
  return signalled;
}

}  // namespace platform
