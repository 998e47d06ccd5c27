#include "outside/duilib/ui_thread.h"

#include <glib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace DuiLib {
namespace {

// The queue is guarded by a mutex of our own rather than by GLib's, so that
// what one thread hands another is ordered where the race checker can see it.
struct TaskQueue {
  std::mutex mutex;
  std::optional<std::thread::id> ui_thread;
  std::deque<std::function<void()>> tasks;
  bool scheduled = false;
};

TaskQueue& Queue() {
  static TaskQueue* queue = new TaskQueue;  // lives as long as the process
  return *queue;
}

gboolean RunNextTask(gpointer);

// One source per task: a task that runs a nested loop (a modal window) must not
// hold back the tasks queued after it, and GLib does not dispatch a source
// again while its callback is still running.
void ScheduleLocked(TaskQueue& queue) {
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(source, &RunNextTask, nullptr, nullptr);
  g_source_attach(source, g_main_context_default());
  g_source_unref(source);
  queue.scheduled = true;
}

gboolean RunNextTask(gpointer) {
  TaskQueue& queue = Queue();
  std::function<void()> task;
  {
    std::lock_guard lock(queue.mutex);
    if (queue.tasks.empty()) {
      queue.scheduled = false;
      return G_SOURCE_REMOVE;
    }
    task = std::move(queue.tasks.front());
    queue.tasks.pop_front();
    if (queue.tasks.empty()) {
      queue.scheduled = false;
    } else {
      ScheduleLocked(queue);
    }
  }
  task();
  return G_SOURCE_REMOVE;
}

}  // namespace

bool UiThread::IsCurrent() {
  TaskQueue& queue = Queue();
  std::lock_guard lock(queue.mutex);
  if (!queue.ui_thread) queue.ui_thread = std::this_thread::get_id();
  return *queue.ui_thread == std::this_thread::get_id();
}

void UiThread::Post(std::function<void()> task) {
  TaskQueue& queue = Queue();
  std::lock_guard lock(queue.mutex);
  queue.tasks.push_back(std::move(task));
  if (!queue.scheduled) ScheduleLocked(queue);
}

void UiThread::Run(const std::function<void()>& task) {
  if (IsCurrent()) {
    task();
    return;
  }
  struct Completion {
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
  } completion;
  Post([&] {
    task();
    std::lock_guard lock(completion.mutex);
    completion.done = true;
    completion.done_changed.notify_one();
  });
  std::unique_lock lock(completion.mutex);
  completion.done_changed.wait(lock, [&] { return completion.done; });
}

}  // namespace DuiLib
