#include "ended_child.h"

#include <errno.h>
#include <signal.h>
#include <sys/wait.h>

namespace platform::posix {
namespace {

bool IsEnd(int si_code) {
  return si_code == CLD_EXITED || si_code == CLD_KILLED || si_code == CLD_DUMPED;
}

}  // namespace

ChildEnd CollectIfEnded(int pid, std::optional<int>* exit_code) {
  // A tracer's wait sees ptrace stops whatever the flags say, so look first
  // without taking the notice: a stop must stay for the tracer to collect.
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    if (errno != EINTR) return errno == ECHILD ? ChildEnd::kNotOurs : ChildEnd::kRunning;
  }
  if (info.si_pid != pid || !IsEnd(info.si_code)) return ChildEnd::kRunning;

  int status = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid, &status, WNOHANG);
  } while (reaped < 0 && errno == EINTR);
  if (reaped != pid) return reaped < 0 && errno == ECHILD ? ChildEnd::kNotOurs : ChildEnd::kRunning;
  if (exit_code != nullptr) {
    if (WIFEXITED(status)) *exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) *exit_code = 128 + WTERMSIG(status);
  }
  return ChildEnd::kCollected;
}

}  // namespace platform::posix
