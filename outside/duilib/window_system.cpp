#include "outside/duilib/window_system.h"

#include <cstdio>
#include <map>

#include "outside/duilib/automation_record.h"
#include "outside/duilib/foreign_window.h"
#include "outside/duilib/native_window.h"
#include "outside/duilib/presentation.h"
#include "outside/duilib/screen_window.h"
#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"
#include "outside/duilib/ui_window.h"

namespace DuiLib {
namespace {

// Live windows and their serials. Only the UI thread touches it.
std::map<HWND, std::uint64_t>& Registry() {
  static auto* registry = new std::map<HWND, std::uint64_t>;
  return *registry;
}

bool IsAliveHere(HWND hwnd) { return hwnd != nullptr && Registry().count(hwnd) != 0; }

// Foreign windows by X window id, so that one window keeps one handle.
std::map<unsigned long, HWND>& ForeignWindows() {
  static auto* windows = new std::map<unsigned long, HWND>;
  return *windows;
}

std::uint64_t NextSerial() {
  static std::uint64_t next_serial = 0;
  return ++next_serial;
}

HWND ForeignHandle(const ForeignWindow& found) {
  HWND& hwnd = ForeignWindows()[found.xid];
  if (!IsAliveHere(hwnd)) {
    hwnd = new NativeWindow;
    hwnd->serial = NextSerial();
    hwnd->foreign_xid = found.xid;
    hwnd->visible = true;
    Registry()[hwnd] = hwnd->serial;
  }
  hwnd->rect = found.rect;
  return hwnd;
}

struct TimerTag {
  HWND hwnd;
  std::uint64_t serial;
  UINT id;
};

gboolean TimerFired(gpointer data) {
  const auto& tag = *static_cast<TimerTag*>(data);
  if (!native::IsAlive(tag.hwnd, tag.serial)) return G_SOURCE_REMOVE;
  native::Deliver(tag.hwnd, WM_TIMER, tag.id, 0);
  return G_SOURCE_CONTINUE;
}

void DeleteTimerTag(gpointer data) { delete static_cast<TimerTag*>(data); }

void RemoveTimers(HWND hwnd) {
  for (const auto& [id, source] : hwnd->timers) g_source_remove(source);
  hwnd->timers.clear();
}

// The waiters learn the close code last: once told, a waiting thread may
// destroy the window object at once.
void ReleaseModalWaiters(std::vector<std::shared_ptr<ModalWait>> waits, UINT code) {
  for (const auto& wait : waits) {
    std::lock_guard lock(wait->mutex);
    wait->done = true;
    wait->code = code;
    if (wait->loop != nullptr) g_main_loop_quit(wait->loop);
    wait->done_changed.notify_all();
  }
}

bool DestroyHere(HWND hwnd) {
  if (!IsAliveHere(hwnd) || hwnd->destroying) return false;
  hwnd->destroying = true;
  RemoveTimers(hwnd);
  native::Deliver(hwnd, WM_DESTROY, 0, 0);
  hwnd->screen.reset();
  Registry().erase(hwnd);
  if (hwnd->foreign_xid != 0) ForeignWindows().erase(hwnd->foreign_xid);
  for (const auto& [other, serial] : Registry()) {
    if (other->owner == hwnd) other->owner = nullptr;
  }
  auto waits = std::move(hwnd->modal_waits);
  const UINT code = hwnd->close_code;
  if (hwnd->object != nullptr) hwnd->object->OnNativeDestroyed(hwnd, code);
  delete hwnd;
  ReleaseModalWaiters(std::move(waits), code);
  return true;
}

}  // namespace

bool IsWindow(HWND hwnd) {
  return UiThread::Call([&] { return IsAliveHere(hwnd); });
}

HWND FindWindow(LPCTSTR className, LPCTSTR windowName) {
  return UiThread::Call([&]() -> HWND {
    const std::u16string wanted = className != nullptr ? className : u"";
    for (const auto& [hwnd, serial] : Registry()) {
      if (hwnd->foreign_xid != 0 || hwnd->destroying || hwnd->class_name != wanted) continue;
      if (windowName == nullptr || hwnd->caption == windowName) return hwnd;
    }
    const std::u16string title = windowName != nullptr ? windowName : u"";
    const auto found = FindForeignWindow(wanted, windowName != nullptr ? &title : nullptr);
    return found ? ForeignHandle(*found) : nullptr;
  });
}

bool DestroyWindow(HWND hwnd) {
  return UiThread::Call([&] { return DestroyHere(hwnd); });
}

LRESULT SendMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return UiThread::Call([&]() -> LRESULT {
    if (!IsAliveHere(hwnd)) return 0;
    return native::Deliver(hwnd, uMsg, wParam, lParam);
  });
}

bool PostMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const std::uint64_t serial = UiThread::Call([&]() -> std::uint64_t {
    return IsAliveHere(hwnd) ? Registry().at(hwnd) : 0;
  });
  if (serial == 0) return false;
  UiThread::Post([=] {
    if (native::IsAlive(hwnd, serial)) native::Deliver(hwnd, uMsg, wParam, lParam);
  });
  return true;
}

bool SetTimer(HWND hwnd, UINT id, UINT elapseMs) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd) || hwnd->destroying) return false;
    if (const auto old = hwnd->timers.find(id); old != hwnd->timers.end()) g_source_remove(old->second);
    auto* tag = new TimerTag{hwnd, hwnd->serial, id};
    hwnd->timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, elapseMs, &TimerFired, tag, &DeleteTimerTag);
    return true;
  });
}

bool KillTimer(HWND hwnd, UINT id) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd)) return false;
    const auto found = hwnd->timers.find(id);
    if (found == hwnd->timers.end()) return false;
    g_source_remove(found->second);
    hwnd->timers.erase(found);
    return true;
  });
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd) || rect == nullptr) return false;
    *rect = hwnd->rect;
    return true;
  });
}

bool GetClientRect(HWND hwnd, RECT* rect) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd) || rect == nullptr) return false;
    *rect = RECT{0, 0, hwnd->rect.Width(), hwnd->rect.Height()};
    return true;
  });
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd)) return false;
    RECT rect = hwnd->rect;
    if ((flags & SWP_NOMOVE) == 0) rect = RECT{x, y, x + rect.Width(), y + rect.Height()};
    if ((flags & SWP_NOSIZE) == 0) {
      rect.right = rect.left + (cx < 0 ? 0 : cx);
      rect.bottom = rect.top + (cy < 0 ? 0 : cy);
    }
    if ((flags & SWP_NOZORDER) == 0) {
      if (insertAfter == HWND_TOPMOST) hwnd->topmost = true;
      if (insertAfter == HWND_NOTOPMOST) hwnd->topmost = false;
      if (hwnd->screen) hwnd->screen->SetKeepAbove(hwnd->topmost);
    }
    const bool moved = rect.left != hwnd->rect.left || rect.top != hwnd->rect.top;
    const bool sized = rect.Width() != hwnd->rect.Width() || rect.Height() != hwnd->rect.Height();
    hwnd->rect = rect;
    if (hwnd->screen) hwnd->screen->Place(rect);
    if (moved) native::Deliver(hwnd, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    if (sized && IsAliveHere(hwnd)) native::Deliver(hwnd, WM_SIZE, 0, MAKELPARAM(rect.Width(), rect.Height()));
    return true;
  });
}

bool ShowWindow(HWND hwnd, bool show, bool takeFocus) {
  return UiThread::Call([&] {
    if (!IsAliveHere(hwnd)) return false;
    const bool was_visible = hwnd->visible;
    hwnd->visible = show;
    if (hwnd->screen) hwnd->screen->Show(show, takeFocus);
    return was_visible;
  });
}

bool IsWindowVisible(HWND hwnd) {
  return UiThread::Call([&] { return IsAliveHere(hwnd) && hwnd->visible; });
}

bool IsIconic(HWND hwnd) {
  return UiThread::Call([&] { return IsAliveHere(hwnd) && hwnd->iconic; });
}

HWND GetWindowOwner(HWND hwnd) {
  return UiThread::Call([&]() -> HWND { return IsAliveHere(hwnd) ? hwnd->owner : nullptr; });
}

std::u16string GetWindowText(HWND hwnd) {
  return UiThread::Call([&] { return IsAliveHere(hwnd) ? hwnd->caption : std::u16string(); });
}

std::u16string GetClassName(HWND hwnd) {
  return UiThread::Call([&] { return IsAliveHere(hwnd) ? hwnd->class_name : std::u16string(); });
}

LRESULT DefWindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM) {
  return UiThread::Call([&]() -> LRESULT {
    if (!IsAliveHere(hwnd)) return 0;
    switch (uMsg) {
      case WM_CLOSE:
        DestroyHere(hwnd);
        return 0;
      case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
          case SC_MINIMIZE:
            hwnd->iconic = true;
            if (hwnd->screen) hwnd->screen->Iconify(true);
            return 0;
          case SC_RESTORE:
            hwnd->iconic = false;
            if (hwnd->screen) hwnd->screen->Iconify(false);
            return 0;
          case SC_CLOSE:
            return native::Deliver(hwnd, WM_CLOSE, IDCANCEL, 0);
          default:
            return 0;
        }
      default:
        return 0;
    }
  });
}

namespace native {

HWND Create(CWindowWnd* object, HWND owner, const std::u16string& className, const std::u16string& caption,
            UINT classStyle, DWORD style, DWORD exStyle, RECT rect) {
  return UiThread::Call([&]() -> HWND {
    auto* hwnd = new NativeWindow;
    hwnd->object = object;
    hwnd->serial = NextSerial();
    hwnd->owner = IsAliveHere(owner) ? owner : nullptr;
    hwnd->caption = caption;
    hwnd->class_name = className;
    hwnd->class_style = classStyle;
    hwnd->style = style;
    hwnd->ex_style = exStyle;
    hwnd->rect = rect;
    hwnd->topmost = (exStyle & WS_EX_TOPMOST) != 0;
    Registry()[hwnd] = hwnd->serial;
    if (CurrentPresentation() == Presentation::kScreen) {
      hwnd->screen = std::make_unique<ScreenWindow>(hwnd);
      hwnd->screen->Place(rect);
    }
    return hwnd;
  });
}

bool IsAlive(HWND hwnd, std::uint64_t serial) {
  const auto found = Registry().find(hwnd);
  return found != Registry().end() && found->second == serial;
}

LRESULT Deliver(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_CLOSE) hwnd->close_code = static_cast<UINT>(wParam);
  if (hwnd->object == nullptr) return DefWindowProc(hwnd, uMsg, wParam, lParam);
  return hwnd->object->HandleMessage(uMsg, wParam, lParam);
}

void AttachPainter(HWND hwnd, CPaintManagerUI* painter) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd)) hwnd->painter = painter;
  });
}

void DetachPainter(HWND hwnd, CPaintManagerUI* painter) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd) && hwnd->painter == painter) hwnd->painter = nullptr;
  });
}

void Invalidate(HWND hwnd) {
  UiThread::Run([&] {
    if (!IsAliveHere(hwnd)) return;
    if (hwnd->screen) hwnd->screen->Invalidate();
    RecordChangesLater(hwnd);
  });
}

void SetToolTip(HWND hwnd, const std::u16string& text) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd) && hwnd->screen) hwnd->screen->SetToolTip(text);
  });
}

void BeginMoveDrag(HWND hwnd) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd) && hwnd->screen) hwnd->screen->BeginMoveDrag();
  });
}

void SetIcon(HWND hwnd, std::span<const unsigned char> png) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd) && hwnd->screen) hwnd->screen->SetIcon(png);
  });
}

void SetLayered(HWND hwnd, bool layered) {
  UiThread::Run([&] {
    if (IsAliveHere(hwnd) && hwnd->screen) hwnd->screen->SetLayered(layered);
  });
}

void ScreenPlacedWindow(HWND hwnd, int x, int y) {
  if (!IsAliveHere(hwnd) || (hwnd->rect.left == x && hwnd->rect.top == y)) return;
  hwnd->rect = RECT{x, y, x + hwnd->rect.Width(), y + hwnd->rect.Height()};
  Deliver(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
}

void ScreenIconified(HWND hwnd, bool iconic) {
  if (IsAliveHere(hwnd)) hwnd->iconic = iconic;
}

void Paint(HWND hwnd, cairo_t* cr) {
  if (IsAliveHere(hwnd) && hwnd->painter != nullptr) hwnd->painter->Paint(cr);
}

}  // namespace native
}  // namespace DuiLib
