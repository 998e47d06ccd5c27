// The loops of the UI thread: the message loop and the modal loops, and what
// a modal window does where no screen can show it.

#include <cstdio>
#include <string>

#include "outside/duilib/automation_record.h"
#include "outside/duilib/native_window.h"
#include "outside/duilib/presentation.h"
#include "outside/duilib/screen_window.h"
#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"
#include "outside/duilib/window_system.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

// Only the UI thread touches these.
struct MessageLoopState {
  GMainLoop* running = nullptr;
  bool quit_posted = false;
};

MessageLoopState& LoopState() {
  static auto* state = new MessageLoopState;
  return *state;
}

}  // namespace

void PostQuitMessage(int) {
  UiThread::Post([] {
    MessageLoopState& state = LoopState();
    if (state.running != nullptr) {
      g_main_loop_quit(state.running);
    } else {
      state.quit_posted = true;
    }
  });
}

namespace native {

std::optional<UINT> RunModal(HWND hwnd) {
  auto wait = std::make_shared<ModalWait>();
  bool alive = true;
  bool refused = false;
  UiThread::Run([&] {
    if (!IsWindow(hwnd)) {
      alive = false;
      return;
    }
    switch (CurrentPresentation()) {
      case Presentation::kRefused:
        WriteLine("duilib: cannot show the window \"" + platform::Utf16ToUtf8(hwnd->caption) +
                  "\": " + RefusalReason() + "\n");
        refused = true;
        return;
      case Presentation::kAutomation:
        AnswerForAPerson(hwnd);
        break;
      case Presentation::kScreen:
        hwnd->screen->SetModal(true);
        ShowWindow(hwnd, true, true);
        break;
      case Presentation::kOffscreen:
        ShowWindow(hwnd, true, true);
        break;
    }
    hwnd->modal_waits.push_back(wait);
  });
  if (!alive) return std::nullopt;
  if (refused) return static_cast<UINT>(-1);

  if (UiThread::IsCurrent()) {
    if (!wait->done) {
      wait->loop = g_main_loop_new(nullptr, FALSE);
      g_main_loop_run(wait->loop);
      g_main_loop_unref(wait->loop);
      wait->loop = nullptr;
    }
    return wait->code;
  }
  std::unique_lock lock(wait->mutex);
  wait->done_changed.wait(lock, [&] { return wait->done; });
  return wait->code;
}

void RunMessageLoop() {
  if (!UiThread::IsCurrent()) {
    WriteLine("duilib: the message loop runs on the UI thread only\n");
    return;
  }
  MessageLoopState& state = LoopState();
  if (state.quit_posted) {
    state.quit_posted = false;
    return;
  }
  GMainLoop* outer = state.running;
  state.running = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(state.running);
  g_main_loop_unref(state.running);
  state.running = outer;
  state.quit_posted = false;
}

}  // namespace native
}  // namespace DuiLib
