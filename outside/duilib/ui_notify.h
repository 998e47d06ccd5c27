#pragma once
// What windows hear from their controls and see of their messages first.

#include "outside/duilib/dui_string.h"
#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CControlUI;

// A notification: type "click" when a button is clicked, with the sending control.
struct TNotifyUI {
  CDuiString sType;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// Sees every message of a window before the window handles it. The result is
// the message's result only when `bHandled` is set; otherwise handling goes on.
class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Builds a control for a layout element the toolkit does not know, or null.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

}  // namespace DuiLib
