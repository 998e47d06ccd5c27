#include "outside/crash_generation/task_group.h"

#include <algorithm>
#include <system_error>

namespace google_breakpad {

TaskGroup::~TaskGroup() {
  std::list<std::pair<uint64_t, std::thread>> threads;
  {
    std::lock_guard lock(state_->mutex);
    threads.swap(state_->threads);
  }
  for (auto& [id, thread] : threads) {
    // The group's last owner may be a task finishing on its own thread.
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();
    } else if (thread.joinable()) {
      thread.join();
    }
  }
}

bool TaskGroup::Run(std::function<void()> task, size_t max_running) {
  std::lock_guard lock(state_->mutex);
  JoinFinishedLocked(*state_);
  if (state_->running >= max_running) return false;
  const uint64_t id = state_->next_id;
  std::thread thread;
  try {
    thread = std::thread([state = state_, id, task = std::move(task)]() mutable {
      task();
      task = nullptr;  // drop what the task holds before reporting the end
      std::lock_guard done_lock(state->mutex);
      state->finished.push_back(id);
      if (--state->running == 0) state->all_done.notify_all();
    });
  } catch (const std::system_error&) {
    return false;  // out of threads: the request is turned away like any other
  }
  ++state_->next_id;
  ++state_->running;
  state_->threads.emplace_back(id, std::move(thread));
  return true;
}

size_t TaskGroup::running() const {
  std::lock_guard lock(state_->mutex);
  return state_->running;
}

bool TaskGroup::WaitAll(std::chrono::milliseconds limit) {
  std::unique_lock lock(state_->mutex);
  const bool all_finished = state_->all_done.wait_for(lock, limit, [this] { return state_->running == 0; });
  JoinFinishedLocked(*state_);
  for (auto& [id, thread] : state_->threads) thread.detach();
  state_->threads.clear();
  return all_finished;
}

void TaskGroup::JoinFinishedLocked(State& state) {
  for (const uint64_t id : state.finished) {
    const auto it = std::find_if(state.threads.begin(), state.threads.end(),
                                 [id](const auto& entry) { return entry.first == id; });
    if (it == state.threads.end()) continue;  // detached earlier
    // It has reported its end under this lock and only returns from here on.
    it->second.join();
    state.threads.erase(it);
  }
  state.finished.clear();
}

}  // namespace google_breakpad
