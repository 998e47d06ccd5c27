#pragma once
// Runs request handlers on threads of their own and lets the owner wait for
// them with a bound. Handlers that outlive the bound are detached: whatever
// they use must be kept alive by the handler itself.

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace google_breakpad {

class TaskGroup {
 public:
  TaskGroup() = default;
  TaskGroup(const TaskGroup&) = delete;
  TaskGroup& operator=(const TaskGroup&) = delete;
  ~TaskGroup();

  // False (task not started) when `max_running` tasks are already running.
  bool Run(std::function<void()> task, size_t max_running);
  size_t running() const;
  // Waits until no task runs or `limit` passes. True when all finished;
  // otherwise the tasks still running are detached.
  bool WaitAll(std::chrono::milliseconds limit);

 private:
  // Shared with the threads, so that a detached one can still report its end.
  struct State {
    std::mutex mutex;
    std::condition_variable all_done;
    std::list<std::pair<uint64_t, std::thread>> threads;
    std::list<uint64_t> finished;
    uint64_t next_id = 0;
    size_t running = 0;
  };
  static void JoinFinishedLocked(State& state);

  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace google_breakpad
