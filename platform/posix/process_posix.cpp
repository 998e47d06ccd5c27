#include <errno.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "child_reaper.h"
#include "ended_child.h"
#include "pidfd.h"
#include "platform/process.h"
#include "platform/unique_fd.h"
#include "proc_entry.h"
#include "process_state.h"

namespace platform {
namespace {

constexpr auto kPollWithoutPidfd = std::chrono::milliseconds(10);

// Collects our child's status once it has ended. Caller holds state.mutex.
void ReapIfEnded(Process::State& state) {
  if (!state.is_child || state.reaped) return;
  // kNotOurs: reaped elsewhere, so the code is lost.
  state.reaped = posix::CollectIfEnded(state.pid, &state.exit_code) != posix::ChildEnd::kRunning;
}

bool HasEnded(Process::State& state) {
  std::lock_guard lock(state.mutex);
  if (state.is_child) {
    ReapIfEnded(state);
    return state.reaped;
  }
  if (state.pidfd) {
    pollfd ended{state.pidfd.get(), POLLIN, 0};
    return poll(&ended, 1, 0) == 1;
  }
  if (kill(state.pid, 0) != 0 && errno == ESRCH) return true;
  return !posix::ReadProcessEntry(state.pid).has_value();  // gone, or a zombie
}

// Blocks until the pidfd reports the end or `limit` passes.
void PauseUntilEndOr(Process::State& state, std::chrono::milliseconds limit) {
  if (!state.pidfd) {
    std::this_thread::sleep_for(std::min(limit, kPollWithoutPidfd));
    return;
  }
  pollfd ended{state.pidfd.get(), POLLIN, 0};
  const auto capped = std::min<std::chrono::milliseconds::rep>(limit.count(), 1000 * 60 * 60);
  poll(&ended, 1, static_cast<int>(capped));
}

}  // namespace

Process::Process(std::unique_ptr<State> state) : state_(std::move(state)) {}
Process::Process(Process&&) noexcept = default;
Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Process dropped(std::move(*this));  // hands a running child to the reaper
    state_ = std::move(other.state_);
  }
  return *this;
}

Process::~Process() {
  if (!state_ || !state_->is_child) return;
  std::lock_guard lock(state_->mutex);
  ReapIfEnded(*state_);
  if (!state_->reaped) posix::ReapInBackground(state_->pid, std::move(state_->pidfd));
}

Result<Process> Process::Open(int pid) {
  if (pid <= 0) return Error{EINVAL, "open process " + std::to_string(pid)};
  auto state = std::make_unique<State>();
  state->pid = pid;
  state->pidfd = posix::OpenPidfd(pid);
  if (!state->pidfd) {
    if (errno != ENOSYS) return LastError("open process " + std::to_string(pid));
    if (kill(pid, 0) != 0 && errno == ESRCH) return LastError("open process " + std::to_string(pid));
  }
  return Process(std::move(state));
}

int Process::pid() const { return state_ ? state_->pid : -1; }

Status Process::Terminate(int /*exit_code*/) {
  if (!state_) return Error{EBADF, "terminate (no process)"};
  std::lock_guard lock(state_->mutex);
  const std::string what = "terminate process " + std::to_string(state_->pid);
  if (state_->pidfd) {
    if (posix::SignalThroughPidfd(state_->pidfd.get(), SIGKILL) != 0) return LastError(what);
    return Status::Ok();
  }
  // Without a pidfd the id must not be signalled once reaped: it may be reused.
  if (state_->reaped) return Error{ESRCH, what};
  if (kill(state_->pid, SIGKILL) != 0) return LastError(what);
  return Status::Ok();
}

WaitOutcome Process::Wait(std::chrono::milliseconds timeout) {
  if (!state_) return WaitOutcome::kFailed;
  if (timeout >= std::chrono::hours(24 * 365)) return WaitForever();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (HasEnded(*state_)) return WaitOutcome::kExited;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return WaitOutcome::kTimeout;
    PauseUntilEndOr(*state_, left + std::chrono::milliseconds(1));
  }
}

WaitOutcome Process::WaitForever() {
  if (!state_) return WaitOutcome::kFailed;
  while (!HasEnded(*state_)) PauseUntilEndOr(*state_, std::chrono::hours(1));
  return WaitOutcome::kExited;
}

std::optional<int> Process::ExitCode() const {
  if (!state_) return std::nullopt;
  std::lock_guard lock(state_->mutex);
  ReapIfEnded(*state_);
  return state_->exit_code;
}

bool Process::IsRunning() { return Wait(std::chrono::milliseconds(0)) == WaitOutcome::kTimeout; }

}  // namespace platform
