#pragma once
// Stops every thread of a process with ptrace so that its registers and
// memory can be read as one consistent picture, and lets them go again.
// All ptrace requests on a tracee must come from the thread that attached,
// so one object is used from one thread only.

#include <chrono>
#include <vector>

#include "outside/crash_generation/thread_registers.h"

namespace google_breakpad {

struct SuspendedThread {
  int tid = 0;
  bool stopped = false;  // false only for the thread left running on request
  bool has_registers = false;
  ThreadRegisters registers;
  int pending_signal = 0;  // caught while stopping; delivered again on release
};

class ProcessSuspension {
 public:
  // Threads that cannot be stopped (already gone, traced by someone else)
  // are left out; threads() holds no stopped thread when none could be
  // stopped. `leave_running` (a thread whose registers the caller has from
  // elsewhere) is listed without being stopped.
  static ProcessSuspension Suspend(int pid, std::chrono::milliseconds limit_per_thread,
                                   int leave_running = 0);

  ProcessSuspension(ProcessSuspension&& other) noexcept;
  ProcessSuspension& operator=(ProcessSuspension&&) = delete;
  ProcessSuspension(const ProcessSuspension&) = delete;
  ProcessSuspension& operator=(const ProcessSuspension&) = delete;
  ~ProcessSuspension();

  const std::vector<SuspendedThread>& threads() const { return threads_; }
  // Lets every thread run again; also done by the destructor.
  void Release();

 private:
  explicit ProcessSuspension(int pid) : pid_(pid) {}

  int pid_;
  std::vector<SuspendedThread> threads_;
};

}  // namespace google_breakpad
