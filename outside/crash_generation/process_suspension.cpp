#include "outside/crash_generation/process_suspension.h"

#include <dirent.h>
#include <signal.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string>
#include <thread>

#include "outside/crash_generation/process_memory.h"

namespace google_breakpad {
namespace {

// New threads may appear while we attach; a few passes over the task list
// catch them without looping forever on a process that keeps spawning.
constexpr int kMaxAttachPasses = 8;

std::vector<int> ListThreads(int pid) {
  std::vector<int> tids;
  const std::string folder = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return tids;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long tid = strtol(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == '\0' && tid > 0) tids.push_back(static_cast<int>(tid));
  }
  closedir(dir);
  std::sort(tids.begin(), tids.end());
  return tids;
}

// 't' (tracing stop) in /proc/<pid>/task/<tid>/stat. Used when the stop
// notice went to another waitpid in this process (the launcher is also the
// client's parent and may wait for it).
bool InTracingStop(int pid, int tid) {
  const std::string stat = ReadProcFile(pid, ("task/" + std::to_string(tid) + "/stat").c_str());
  const size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 't';
}

enum class StopOutcome { kStopped, kGone, kTimedOut };

StopOutcome WaitForStop(int pid, int tid, std::chrono::milliseconds limit, int& pending_signal) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(tid, &status, __WALL | WNOHANG);
    if (r == tid) {
      if (WIFEXITED(status) || WIFSIGNALED(status)) return StopOutcome::kGone;
      if (WIFSTOPPED(status)) {
        const int event = status >> 16;
        // A plain signal-delivery stop holds a signal meant for the thread;
        // it is handed back when we let go.
        if (event == 0 && WSTOPSIG(status) != SIGTRAP) pending_signal = WSTOPSIG(status);
        return StopOutcome::kStopped;
      }
    } else if (r < 0 && errno != EINTR && errno != ECHILD) {
      return StopOutcome::kGone;
    } else if (InTracingStop(pid, tid)) {
      return StopOutcome::kStopped;
    }
    if (std::chrono::steady_clock::now() >= deadline) return StopOutcome::kTimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void CopyRegisters(const user_regs_struct& regs, const user_fpregs_struct& fpregs, bool has_fp,
                   ThreadRegisters& out) {
  out.rax = regs.rax; out.rbx = regs.rbx; out.rcx = regs.rcx; out.rdx = regs.rdx;
  out.rsi = regs.rsi; out.rdi = regs.rdi; out.rbp = regs.rbp; out.rsp = regs.rsp;
  out.r8 = regs.r8; out.r9 = regs.r9; out.r10 = regs.r10; out.r11 = regs.r11;
  out.r12 = regs.r12; out.r13 = regs.r13; out.r14 = regs.r14; out.r15 = regs.r15;
  out.rip = regs.rip;
  out.eflags = regs.eflags;
  out.fs_base = regs.fs_base;
  out.gs_base = regs.gs_base;
  out.cs = static_cast<uint16_t>(regs.cs); out.ds = static_cast<uint16_t>(regs.ds);
  out.es = static_cast<uint16_t>(regs.es); out.fs = static_cast<uint16_t>(regs.fs);
  out.gs = static_cast<uint16_t>(regs.gs); out.ss = static_cast<uint16_t>(regs.ss);
  static_assert(sizeof fpregs == sizeof out.fxsave);
  out.has_fxsave = has_fp ? 1 : 0;
  if (has_fp) memcpy(out.fxsave, &fpregs, sizeof out.fxsave);
}

}  // namespace

ProcessSuspension ProcessSuspension::Suspend(int pid, std::chrono::milliseconds limit_per_thread,
                                             int leave_running) {
  ProcessSuspension suspension(pid);
  std::set<int> seen;
  for (int pass = 0; pass < kMaxAttachPasses; ++pass) {
    bool found_new = false;
    for (const int tid : ListThreads(pid)) {
      if (!seen.insert(tid).second) continue;
      found_new = true;
      if (tid == leave_running) {
        suspension.threads_.push_back(SuspendedThread{tid, false, false, {}, 0});
        continue;
      }
      if (ptrace(PTRACE_SEIZE, tid, nullptr, nullptr) != 0) continue;
      if (ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) != 0) {
        ptrace(PTRACE_DETACH, tid, nullptr, nullptr);
        continue;
      }
      SuspendedThread thread;
      thread.tid = tid;
      thread.stopped = true;
      const StopOutcome outcome = WaitForStop(pid, tid, limit_per_thread, thread.pending_signal);
      if (outcome == StopOutcome::kGone) continue;
      if (outcome == StopOutcome::kTimedOut) {
        // Detaching needs a stopped tracee; a running one is released by
        // the kernel when the tracer's thread goes, so leave it be.
        ptrace(PTRACE_DETACH, tid, nullptr, nullptr);
        continue;
      }
      user_regs_struct regs{};
      user_fpregs_struct fpregs{};
      if (ptrace(PTRACE_GETREGS, tid, nullptr, &regs) == 0) {
        const bool has_fp = ptrace(PTRACE_GETFPREGS, tid, nullptr, &fpregs) == 0;
        CopyRegisters(regs, fpregs, has_fp, thread.registers);
        thread.has_registers = true;
      }
      suspension.threads_.push_back(thread);
    }
    if (!found_new) break;
  }
  return suspension;
}

ProcessSuspension::ProcessSuspension(ProcessSuspension&& other) noexcept
    : pid_(other.pid_), threads_(std::move(other.threads_)) {
  other.threads_.clear();
}

ProcessSuspension::~ProcessSuspension() { Release(); }

void ProcessSuspension::Release() {
  for (const SuspendedThread& thread : threads_) {
    if (!thread.stopped) continue;
    ptrace(PTRACE_DETACH, thread.tid, nullptr,
           reinterpret_cast<void*>(static_cast<intptr_t>(thread.pending_signal)));
  }
  threads_.clear();
}

}  // namespace google_breakpad
