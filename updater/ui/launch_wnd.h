#pragma once
// Tells the user the update is done. Both of its buttons close it with 1;
// starting the launcher afterwards is the caller's work.

#include "updater/ui/qel_wnd_base.h"

class CLaunchWnd : public CQelWndBase {
 public:
  // Creates the window, shown, with the program's icon.
  CLaunchWnd();
  ~CLaunchWnd() override;

  DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override;
  DuiLib::CDuiString GetSkinFile() override;
};
