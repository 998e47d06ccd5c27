#include "updater/process/client_termination.h"

#include <chrono>
#include <cstdint>

#include "platform/clock.h"
#include "platform/process.h"
#include "updater/log/updater_log.h"
#include "updater/process/find_process.h"

namespace {

constexpr int kTerminatedExitCode = 9;
constexpr std::uint32_t kPollIntervalMs = 100;
constexpr std::uint64_t kWaitLimitMs = 3000;
// Termination only starts a process's end; a search right after it could
// still see the process. A process that takes longer is left to the caller.
constexpr std::chrono::milliseconds kEndAfterTerminationLimit{1000};

bool Terminate(std::uint32_t pid) {
  auto process = platform::Process::Open(static_cast<int>(pid));
  if (!process) return false;
  if (!process->Terminate(kTerminatedExitCode)) return false;
  process->Wait(kEndAfterTerminationLimit);
  return true;
}

// True when a process of `program` was found and terminated.
bool TerminateFirstProcessOf(const char* program) {
  UpdaterLog& log = UpdaterLog::Instance();
  const std::uint32_t pid = FindProcess_ByName(program);
  if (pid == 0) {
    log.Write(0, "qelUtil", __LINE__, "qel::KillWfeProcess", "air client is not running");
    return false;
  }
  if (!Terminate(pid)) {
    log.Write(0, "qelUtil", __LINE__, "qel::KillWfeProcess", "kill air client failed");
    return false;
  }
  log.Write(0, "qelUtil", __LINE__, "qel::KillWfeProcess", "kill air client success");
  return true;
}

}  // namespace

namespace qel {

bool KillWfeProcess() {
  TerminateFirstProcessOf(kClientProgram);
  return TerminateFirstProcessOf(kClientHelperProgram);
}

}  // namespace qel

bool KillClientAndWait() {
  if (!qel::KillWfeProcess()) return FindProcess_ByName(kClientProgram) == 0;
  const std::uint64_t start = platform::TickCountMs();
  for (;;) {
    platform::SleepMs(kPollIntervalMs);
    if (FindProcess_ByName(kClientProgram) == 0) return true;
    if (platform::TickCountMs() - start > kWaitLimitMs) return false;
  }
}
