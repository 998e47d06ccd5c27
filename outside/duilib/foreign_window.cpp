#include "outside/duilib/foreign_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <vector>

#include "outside/duilib/presentation.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

Display* X11Display() {
  if (CurrentPresentation() != Presentation::kScreen) return nullptr;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return nullptr;
  return gdk_x11_display_get_xdisplay(display);
}

std::vector<Window> Children(Display* display, Window parent) {
  Window root = 0;
  Window up = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<Window> found;
  if (XQueryTree(display, parent, &root, &up, &children, &count) != 0 && children != nullptr) {
    found.assign(children, children + count);
    XFree(children);
  }
  return found;
}

bool HasClass(Display* display, Window window, const std::string& className) {
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint) == 0) return false;
  const bool matches = (hint.res_name != nullptr && className == hint.res_name) ||
                       (hint.res_class != nullptr && className == hint.res_class);
  if (hint.res_name != nullptr) XFree(hint.res_name);
  if (hint.res_class != nullptr) XFree(hint.res_class);
  return matches;
}

bool HasTitle(Display* display, Window window, const std::string& title) {
  XTextProperty property{};
  if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) return title.empty();
  const std::string name(reinterpret_cast<const char*>(property.value), property.nitems);
  XFree(property.value);
  return name == title;
}

std::optional<RECT> MappedRect(Display* display, Window window) {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable) {
    return std::nullopt;
  }
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child);
  return RECT{x, y, x + attributes.width, y + attributes.height};
}

std::optional<ForeignWindow> Search(Display* display, const std::u16string& className, const std::u16string* title) {
  const std::string wanted = platform::Utf16ToUtf8(className);
  const std::optional<std::string> wantedTitle =
      title != nullptr ? std::optional(platform::Utf16ToUtf8(*title)) : std::nullopt;
  // A window manager puts each top-level window into a frame of its own, so
  // the windows one level down count as top-level too.
  std::vector<Window> candidates;
  for (Window top : Children(display, DefaultRootWindow(display))) {
    candidates.push_back(top);
    for (Window framed : Children(display, top)) candidates.push_back(framed);
  }
  std::optional<ForeignWindow> found;
  for (Window window : candidates) {
    if (!HasClass(display, window, wanted)) continue;
    if (wantedTitle && !HasTitle(display, window, *wantedTitle)) continue;
    if (const auto rect = MappedRect(display, window)) {
      found = ForeignWindow{window, *rect};
      break;
    }
  }
  return found;
}

}  // namespace

std::optional<ForeignWindow> FindForeignWindow(const std::u16string& className, const std::u16string* title) {
  Display* display = X11Display();
  if (display == nullptr) return std::nullopt;
  // Windows of other programs may go away while they are looked at; the
  // errors that brings are expected.
  GdkDisplay* gdk = gdk_display_get_default();
  gdk_x11_display_error_trap_push(gdk);
  auto found = Search(display, className, title);
  gdk_x11_display_error_trap_pop_ignored(gdk);
  return found;
}

void MakeTransientForForeign(GtkWidget* window, unsigned long xid) {
  GdkWindow* own = gtk_widget_get_window(window);
  GdkDisplay* display = gtk_widget_get_display(window);
  if (own == nullptr || !GDK_IS_X11_DISPLAY(display)) return;
  gdk_x11_display_error_trap_push(display);
  if (GdkWindow* owner = gdk_x11_window_foreign_new_for_display(display, xid)) {
    gdk_window_set_transient_for(own, owner);
    g_object_unref(owner);
  }
  gdk_x11_display_error_trap_pop_ignored(display);
}

}  // namespace DuiLib
