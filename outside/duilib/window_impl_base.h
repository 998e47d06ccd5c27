#pragma once
// The skinned window: a window whose content is a layout from a skin. On
// WM_CREATE it reads its layout from where GetResourceType says (a zip archive
// in the module's resources), builds the controls, sizes the window to the
// layout and calls InitWindow. Messages go first to the message filters (the
// window itself is one), then to the handlers below, then to the paint
// manager (the controls), then to the default handling.

#include "outside/duilib/ui_control.h"
#include "outside/duilib/ui_notify.h"
#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_window.h"

namespace DuiLib {

enum UILIB_RESOURCETYPE {
  UILIB_FILE = 1,         // files in the resource folder
  UILIB_ZIP = 2,          // a zip file in the resource folder
  UILIB_RESOURCE = 3,     // single resources of the module
  UILIB_ZIPRESOURCE = 4,  // a zip archive in the module's resources, type "ZIPRES"
};

class WindowImplBase : public CWindowWnd, public INotifyUI, public IMessageFilterUI, public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  virtual void InitWindow() {}
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI&) {}
  CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
  // Enter and Esc go to ResponseDefaultKeyEvent; nothing is handled.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

  CPaintManagerUI& PaintManager() { return m_pm; }
  // Which skin file this window would load now.
  CDuiString SkinFile() { return GetSkinFile(); }

 protected:
  virtual CDuiString GetSkinFolder() = 0;
  virtual CDuiString GetSkinFile() = 0;
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }
  virtual CDuiString GetZIPFileName() const { return CDuiString(); }
  virtual UINT GetResourceID() const { return 0; }
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM) { return 0; }
  void OnFinalMessage(HWND hWnd) override;

  // The handlers, called for their messages; each leaves bHandled false to let
  // the message go on.
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  // Builds the layout and calls InitWindow; -1 (no window) when the skin fails.
  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

  CPaintManagerUI m_pm;

 private:
  std::shared_ptr<const SkinFiles> LoadSkinFiles(std::string& error);
};

}  // namespace DuiLib
