#pragma once
// One per window: holds the window's control tree, fonts and skin files,
// lays the controls out, paints them, turns mouse messages into control
// events and "click" notifications, and passes every message to the message
// filters first. Its static part holds what all windows share: the module
// whose resources hold the skins, and the message loop.

#include <cairo.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "outside/duilib/dui_string.h"
#include "outside/duilib/layout_builder.h"
#include "outside/duilib/skin_files.h"
#include "outside/duilib/ui_control.h"
#include "outside/duilib/ui_notify.h"
#include "outside/duilib/ui_render.h"
#include "outside/duilib/win_defs.h"
#include "platform/module_resources.h"

namespace DuiLib {

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // The module whose resources hold the skin archives; the program by default.
  static void SetInstance(platform::ModuleImage instance);
  static platform::ModuleImage GetInstance();
  // Folder of that module, with a trailing "/".
  static CDuiString GetInstancePath();
  static void SetResourcePath(LPCTSTR path);
  static CDuiString GetResourcePath();
  // Runs the UI thread's loop until PostQuitMessage. Only on the UI thread.
  static void MessageLoop();

  void Init(HWND hwnd);
  HWND GetPaintWindow() const { return hwnd_; }
  // Takes the built layout as the window's content; images come from `files`.
  void AttachLayout(TWindowLayout layout, std::shared_ptr<const SkinFiles> files);
  CControlUI* GetRoot() const;
  SIZE GetInitSize() const;
  int GetCaptionHeight() const;
  bool IsLayered() const;

  // The control with that layout name, or null.
  CControlUI* FindControl(LPCTSTR name) const;
  TFontInfo GetFontInfo(int id) const;
  std::shared_ptr<CImage> GetImage(const std::u16string& name);

  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void AddMessageFilter(IMessageFilterUI* filter);
  void RemoveMessageFilter(IMessageFilterUI* filter);
  void SendNotify(CControlUI* control, LPCTSTR type, WPARAM wParam = 0, LPARAM lParam = 0);

  // The message filters, in the order added; true when one handled the message.
  bool FilterMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Mouse and size messages; true when handled.
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Places the controls if the layout changed since they were placed.
  void EnsureLayout();
  void Invalidate();
  // The layout changed: place the controls again before the next paint.
  void NeedUpdate();
  void Paint(cairo_t* cr);
  // The window as it looks now, in its client size.
  std::shared_ptr<CImage> Render();
  // "name=\"text\"" for every shown control with text, in layout order: what
  // an automated run records of a window.
  std::string DescribeTexts() const;
  // The same, one "name=\"text\"" per element.
  std::vector<std::string> DescribeTextItems() const;
  // A control is going away: forget it as the hot or pressed one.
  void ForgetControl(CControlUI* control);

 private:
  void TrackHot(POINT point);
  std::shared_ptr<CImage> LoadImage(const std::u16string& name);
  void DescribeTexts(CControlUI* control, std::vector<std::string>& items) const;

  std::atomic<HWND> hwnd_{nullptr};
  std::unique_ptr<CControlUI> root_;
  std::shared_ptr<const SkinFiles> files_;
  std::map<std::u16string, std::shared_ptr<CImage>> images_;
  std::map<int, TFontInfo> fonts_;
  int default_font_ = -1;
  SIZE init_size_;
  int caption_height_ = 0;
  bool layered_ = false;
  bool need_layout_ = true;
  RECT laid_out_for_;
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> filters_;
  CControlUI* hot_ = nullptr;
  CControlUI* captured_ = nullptr;
};

}  // namespace DuiLib
