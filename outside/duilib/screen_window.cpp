#include "outside/duilib/screen_window.h"

#include <optional>

#include "outside/duilib/foreign_window.h"
#include "outside/duilib/native_window.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

std::optional<WPARAM> VirtualKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: return VK_RETURN;
    case GDK_KEY_Tab: return VK_TAB;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Delete: return VK_DELETE;
    case GDK_KEY_Left: return VK_LEFT;
    case GDK_KEY_Up: return VK_UP;
    case GDK_KEY_Right: return VK_RIGHT;
    case GDK_KEY_Down: return VK_DOWN;
    default: break;
  }
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
  return std::nullopt;
}

// Tool windows stay out of the task bar; a dialog frame asks for dialog
// treatment; an overlapped window is a normal one.
GdkWindowTypeHint TypeHint(const NativeWindow& window) {
  if ((window.ex_style & WS_EX_TOOLWINDOW) != 0) return GDK_WINDOW_TYPE_HINT_UTILITY;
  if ((window.style & WS_POPUP) != 0 && (window.style & WS_DLGFRAME) != 0) return GDK_WINDOW_TYPE_HINT_DIALOG;
  return GDK_WINDOW_TYPE_HINT_NORMAL;
}

gulong Connect(GtkWidget* widget, const char* signal, GCallback callback, ScreenWindow* self) {
  return g_signal_connect(widget, signal, callback, self);
}

}  // namespace

ScreenWindow::ScreenWindow(HWND hwnd) : hwnd_(hwnd) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(window_);
  const std::string caption = platform::Utf16ToUtf8(hwnd->caption);
  const std::string class_name = platform::Utf16ToUtf8(hwnd->class_name);
  gtk_window_set_title(window, caption.c_str());
  // The Windows class name is what finds a window (FindWindow); on X it is the
  // WM_CLASS instance name, which only this call can set.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_window_set_wmclass(window, class_name.c_str(), class_name.c_str());
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_type_hint(window, TypeHint(*hwnd));
  if ((hwnd->ex_style & WS_EX_TOOLWINDOW) != 0) {
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_skip_pager_hint(window, TRUE);
  }
  gtk_window_set_keep_above(window, hwnd->topmost);
  if (hwnd->owner != nullptr && hwnd->owner->screen) {
    gtk_window_set_transient_for(window, GTK_WINDOW(hwnd->owner->screen->window_));
  }
  // Another program's window can own ours only once ours exists on the screen.
  if (hwnd->owner != nullptr && hwnd->owner->foreign_xid != 0) {
    Connect(window_, "realize", G_CALLBACK(&OnRealize), this);
  }
  gtk_widget_set_app_paintable(window_, TRUE);

  area_ = gtk_drawing_area_new();
  gtk_widget_add_events(area_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                   GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK);
  gtk_container_add(GTK_CONTAINER(window_), area_);

  Connect(area_, "draw", G_CALLBACK(&OnDraw), this);
  Connect(area_, "motion-notify-event", G_CALLBACK(&OnMotion), this);
  Connect(area_, "button-press-event", G_CALLBACK(&OnButtonPress), this);
  Connect(area_, "button-release-event", G_CALLBACK(&OnButtonRelease), this);
  Connect(area_, "leave-notify-event", G_CALLBACK(&OnLeave), this);
  Connect(area_, "scroll-event", G_CALLBACK(&OnScroll), this);
  Connect(window_, "key-press-event", G_CALLBACK(&OnKey), this);
  Connect(window_, "key-release-event", G_CALLBACK(&OnKey), this);
  Connect(window_, "focus-in-event", G_CALLBACK(&OnFocus), this);
  Connect(window_, "focus-out-event", G_CALLBACK(&OnFocus), this);
  Connect(window_, "delete-event", G_CALLBACK(&OnDelete), this);
  Connect(window_, "configure-event", G_CALLBACK(&OnConfigure), this);
  Connect(window_, "window-state-event", G_CALLBACK(&OnWindowState), this);
}

ScreenWindow::~ScreenWindow() {
  // Nothing may reach this object once it is gone.
  g_signal_handlers_disconnect_by_data(area_, this);
  g_signal_handlers_disconnect_by_data(window_, this);
  gtk_widget_destroy(window_);
}

void ScreenWindow::Place(const RECT& rect) {
  gtk_widget_set_size_request(area_, rect.Width(), rect.Height());
  gtk_window_move(GTK_WINDOW(window_), rect.left, rect.top);
}

void ScreenWindow::Show(bool show, bool takeFocus) {
  if (!show) {
    gtk_widget_hide(window_);
    return;
  }
  gtk_window_set_accept_focus(GTK_WINDOW(window_), takeFocus);
  gtk_widget_show_all(window_);
  if (takeFocus) gtk_window_present(GTK_WINDOW(window_));
}

void ScreenWindow::SetKeepAbove(bool above) { gtk_window_set_keep_above(GTK_WINDOW(window_), above); }

void ScreenWindow::SetModal(bool modal) { gtk_window_set_modal(GTK_WINDOW(window_), modal); }

void ScreenWindow::Iconify(bool iconic) {
  if (iconic) {
    gtk_window_iconify(GTK_WINDOW(window_));
  } else {
    gtk_window_deiconify(GTK_WINDOW(window_));
  }
}

void ScreenWindow::Invalidate() { gtk_widget_queue_draw(area_); }

void ScreenWindow::SetToolTip(const std::u16string& text) {
  const std::string utf8 = platform::Utf16ToUtf8(text);
  gtk_widget_set_tooltip_text(area_, text.empty() ? nullptr : utf8.c_str());
}

void ScreenWindow::BeginMoveDrag() {
  if (!pressed_) return;
  gtk_window_begin_move_drag(GTK_WINDOW(window_), 1, static_cast<gint>(press_root_x_),
                             static_cast<gint>(press_root_y_), press_time_);
}

void ScreenWindow::SetIcon(std::span<const unsigned char> png) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  if (gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr) && gdk_pixbuf_loader_close(loader, nullptr)) {
    if (GdkPixbuf* icon = gdk_pixbuf_loader_get_pixbuf(loader)) gtk_window_set_icon(GTK_WINDOW(window_), icon);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
}

// Per-pixel transparency needs a visual with alpha, which only a compositing
// screen offers; elsewhere the transparent parts show black.
void ScreenWindow::SetLayered(bool layered) {
  layered_ = layered;
  if (!layered || gtk_widget_get_realized(window_)) return;
  GdkScreen* screen = gtk_widget_get_screen(window_);
  GdkVisual* visual = gdk_screen_get_rgba_visual(screen);
  if (visual != nullptr && gdk_screen_is_composited(screen)) gtk_widget_set_visual(window_, visual);
}

void ScreenWindow::OnRealize(GtkWidget* widget, gpointer self) {
  HWND owner = static_cast<ScreenWindow*>(self)->hwnd_->owner;
  if (owner != nullptr && owner->foreign_xid != 0) MakeTransientForForeign(widget, owner->foreign_xid);
}

gboolean ScreenWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  auto* screen = static_cast<ScreenWindow*>(self);
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (screen->layered_) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
  } else {
    cairo_set_source_rgb(cr, 1, 1, 1);
  }
  cairo_paint(cr);
  cairo_restore(cr);
  native::Paint(screen->hwnd_, cr);
  return TRUE;
}

gboolean ScreenWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
  HWND hwnd = static_cast<ScreenWindow*>(self)->hwnd_;
  native::Deliver(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<int>(event->x), static_cast<int>(event->y)));
  return TRUE;
}

gboolean ScreenWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* screen = static_cast<ScreenWindow*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  HWND hwnd = screen->hwnd_;
  UINT message = WM_LBUTTONDOWN;
  if (event->type == GDK_2BUTTON_PRESS) {
    if ((hwnd->class_style & CS_DBLCLKS) == 0) return TRUE;
    message = WM_LBUTTONDBLCLK;
  } else if (event->type != GDK_BUTTON_PRESS) {
    return TRUE;
  }
  screen->pressed_ = true;
  screen->press_root_x_ = event->x_root;
  screen->press_root_y_ = event->y_root;
  screen->press_time_ = event->time;
  native::Deliver(hwnd, message, 0, MAKELPARAM(static_cast<int>(event->x), static_cast<int>(event->y)));
  return TRUE;
}

gboolean ScreenWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* screen = static_cast<ScreenWindow*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  screen->pressed_ = false;
  native::Deliver(screen->hwnd_, WM_LBUTTONUP, 0,
                  MAKELPARAM(static_cast<int>(event->x), static_cast<int>(event->y)));
  return TRUE;
}

gboolean ScreenWindow::OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
  if (event->mode != GDK_CROSSING_NORMAL) return FALSE;
  native::Deliver(static_cast<ScreenWindow*>(self)->hwnd_, WM_MOUSELEAVE, 0, 0);
  return TRUE;
}

// As on Windows, the wheel's position is on the screen and its turn is in the
// high word of wParam.
gboolean ScreenWindow::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
  int delta = 0;
  if (event->direction == GDK_SCROLL_UP) delta = WHEEL_DELTA;
  if (event->direction == GDK_SCROLL_DOWN) delta = -WHEEL_DELTA;
  if (delta == 0) return FALSE;
  const WPARAM turn = static_cast<WPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta))) << 16;
  native::Deliver(static_cast<ScreenWindow*>(self)->hwnd_, WM_MOUSEWHEEL, turn,
                  MAKELPARAM(static_cast<int>(event->x_root), static_cast<int>(event->y_root)));
  return TRUE;
}

gboolean ScreenWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  const auto key = VirtualKey(event->keyval);
  if (!key) return FALSE;
  native::Deliver(static_cast<ScreenWindow*>(self)->hwnd_, event->type == GDK_KEY_PRESS ? WM_KEYDOWN : WM_KEYUP, *key,
                  0);
  return TRUE;
}

gboolean ScreenWindow::OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self) {
  native::Deliver(static_cast<ScreenWindow*>(self)->hwnd_, event->in ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
  return FALSE;
}

gboolean ScreenWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  native::Deliver(static_cast<ScreenWindow*>(self)->hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  return TRUE;
}

gboolean ScreenWindow::OnConfigure(GtkWidget* widget, GdkEventConfigure*, gpointer self) {
  gint x = 0;
  gint y = 0;
  gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
  native::ScreenPlacedWindow(static_cast<ScreenWindow*>(self)->hwnd_, x, y);
  return FALSE;
}

gboolean ScreenWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  native::ScreenIconified(static_cast<ScreenWindow*>(self)->hwnd_,
                          (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
  return FALSE;
}

}  // namespace DuiLib
