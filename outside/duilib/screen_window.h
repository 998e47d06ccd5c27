#pragma once
// A window on a real screen: a GTK top-level window without decorations (the
// skin draws the whole window) holding one drawing area that the paint
// manager paints. Its input becomes the window's messages: pointer motion,
// left button, wheel, keys, focus, and the window manager's close request
// (SC_CLOSE, which closes the window with IDCANCEL).

#include <gtk/gtk.h>

#include <span>
#include <string>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

class ScreenWindow {
 public:
  explicit ScreenWindow(HWND hwnd);
  ~ScreenWindow();
  ScreenWindow(const ScreenWindow&) = delete;
  ScreenWindow& operator=(const ScreenWindow&) = delete;

  void Place(const RECT& rect);
  void Show(bool show, bool takeFocus);
  void SetKeepAbove(bool above);
  void SetModal(bool modal);
  void Iconify(bool iconic);
  void Invalidate();
  void SetToolTip(const std::u16string& text);
  void BeginMoveDrag();
  void SetIcon(std::span<const unsigned char> png);
  void SetLayered(bool layered);

 private:
  static void OnRealize(GtkWidget* widget, gpointer self);
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  static gboolean OnScroll(GtkWidget* widget, GdkEventScroll* event, gpointer self);
  static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
  static gboolean OnFocus(GtkWidget* widget, GdkEventFocus* event, gpointer self);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer self);
  static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);

  HWND hwnd_;
  GtkWidget* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  bool layered_ = false;
  // The last press of the left button, which a caption drag starts from.
  bool pressed_ = false;
  double press_root_x_ = 0;
  double press_root_y_ = 0;
  guint32 press_time_ = 0;
};

}  // namespace DuiLib
