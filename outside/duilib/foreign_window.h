#pragma once
// Top-level windows of other programs, as FindWindow finds them by class and
// title: on an X11 screen the windows whose WM_CLASS (instance or class)
// equals the class name. Elsewhere (Wayland, no screen) none are found.
// UI thread only.

#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

struct ForeignWindow {
  unsigned long xid = 0;
  RECT rect;  // on the screen
};

// The first mapped top-level window with that class and, when `title` is
// given, that title.
std::optional<ForeignWindow> FindForeignWindow(const std::u16string& className, const std::u16string* title);

// Makes `window` (realized) a transient of the foreign window: the window
// manager keeps it above its owner.
void MakeTransientForForeign(GtkWidget* window, unsigned long xid);

}  // namespace DuiLib
