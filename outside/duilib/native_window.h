#pragma once
// What the toolkit keeps for each window (the HWND). Only the window-system
// files see inside; everything here is touched on the UI thread alone.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <cairo.h>
#include <glib.h>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CWindowWnd;
class CPaintManagerUI;
class ScreenWindow;

// A thread waiting in ShowModal for the window to close.
struct ModalWait {
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
  UINT code = 0;
  GMainLoop* loop = nullptr;  // the nested loop, when the waiter is the UI thread
};

struct NativeWindow {
  CWindowWnd* object = nullptr;
  std::uint64_t serial = 0;  // tells a window from a later one at the same address
  HWND owner = nullptr;
  std::u16string caption;
  std::u16string class_name;
  UINT class_style = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  RECT rect;  // on the screen
  bool visible = false;
  bool iconic = false;
  bool topmost = false;
  bool destroying = false;
  UINT close_code = 0;  // wParam of the last WM_CLOSE
  CPaintManagerUI* painter = nullptr;
  std::map<UINT, guint> timers;  // id -> GLib source
  std::vector<std::shared_ptr<ModalWait>> modal_waits;
  std::unique_ptr<ScreenWindow> screen;  // only when windows reach a screen
  // A top-level window of another program (FindWindow), known only by its X
  // window id; no object of ours.
  unsigned long foreign_xid = 0;
  // Automation's record of a window shown outside a modal loop
  // (automation_record.h): the texts last written, and a write queued.
  bool recorded = false;
  std::vector<std::string> recorded_items;
  bool record_pending = false;
};

namespace native {

bool IsAlive(HWND hwnd, std::uint64_t serial);
// Runs the window's handler for the message, here and now. Only on the UI thread.
LRESULT Deliver(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The screen moved or sized the window.
void ScreenPlacedWindow(HWND hwnd, int x, int y);
void ScreenIconified(HWND hwnd, bool iconic);
void Paint(HWND hwnd, cairo_t* cr);

}  // namespace native
}  // namespace DuiLib
