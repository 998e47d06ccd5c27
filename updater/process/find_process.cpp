#include "updater/process/find_process.h"

#include "platform/process_list.h"
#include "platform/text.h"
#include "updater/log/updater_log.h"

std::uint32_t FindProcess_ByName(const std::string& name) {
  const auto processes = platform::SnapshotProcesses();
  if (!processes) {
    // Level 2: a diagnostic the updater's own setting does not write.
    UpdaterLog::Instance().Write(2, "process_op", __LINE__, "FindProcess_ByName",
                                 "process32 first error: %d", processes.error().code);
    return 0;
  }
  for (const platform::ProcessEntry& entry : *processes) {
    if (platform::EqualsIgnoreAsciiCase(entry.exe_name, name)) {
      return static_cast<std::uint32_t>(entry.pid);
    }
    UpdaterLog::Instance().Write(0, "process_op", __LINE__, "FindProcess_ByName", " %s ",
                                 entry.exe_name.c_str());
  }
  return 0;
}
