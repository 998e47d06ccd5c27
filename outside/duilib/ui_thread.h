#pragma once
// The thread every window lives on.
//
// GTK is single-threaded, while the windows' callers are not: the updater
// creates windows and runs modal loops on other threads too. The mapping, in
// one place:
//   - The UI thread is the first thread that uses the toolkit (in the updater,
//     the main thread). It runs the GLib main loop: CPaintManagerUI::MessageLoop
//     and every modal loop of its own windows.
//   - Every window, with its controls, timers and painting, lives on the UI
//     thread. A window created from another thread is created there on that
//     thread's behalf; the calling thread blocks meanwhile.
//   - ShowModal called on another thread shows the window on the UI thread and
//     blocks the calling thread until the window closes, then returns its close
//     code. The UI thread keeps running its loop meanwhile.
//   - SendMessage from another thread runs the window's handler on the UI
//     thread and returns its result to the caller; PostMessage queues the
//     message; control setters and lookups called from another thread run on
//     the UI thread on the caller's behalf.
//   - So a thread that waits for a window of another thread needs the UI thread
//     to be running a loop (the message loop or a modal loop), as a Windows
//     thread sending to a window of another thread needs that thread to pump
//     messages.

#include <functional>
#include <type_traits>

namespace DuiLib {

class UiThread {
 public:
  // True on the UI thread. The first thread that asks becomes the UI thread.
  static bool IsCurrent();
  // Queues `task` to run on the UI thread's loop, after the tasks queued before it.
  static void Post(std::function<void()> task);
  // Runs `task` on the UI thread and returns when it has run: at once on the UI
  // thread itself, else through the queue while the caller waits.
  static void Run(const std::function<void()>& task);

  // Runs `task` on the UI thread and returns its result.
  template <class F>
  static auto Call(F&& task) -> decltype(task()) {
    if constexpr (std::is_void_v<decltype(task())>) {
      Run(task);
    } else {
      decltype(task()) result{};
      Run([&] { result = task(); });
      return result;
    }
  }
};

}  // namespace DuiLib
