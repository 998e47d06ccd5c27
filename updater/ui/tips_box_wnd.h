#pragma once
// The updater's message box: a text, a confirm button and, when bit 0 of the
// mode is set, a cancel button. Mode 0 is a notice with "确定"; mode 2 starts
// with an empty confirm caption that its creator then sets. Closes with 1 for
// confirm (or Enter), 2 for the close and cancel buttons (or Esc).

#include <string>

#include "outside/duilib/ui_button.h"
#include "outside/duilib/ui_label.h"
#include "updater/ui/qel_wnd_base.h"

class CTipsBoxWnd : public CQelWndBase {
 public:
  // Creates the window (shown, centred on `owner` or on the screen); ShowModal
  // then runs it. `owner` may be null.
  CTipsBoxWnd(DuiLib::HWND owner, const std::u16string& text, int mode);
  ~CTipsBoxWnd() override;

  // For the creator's caption in mode 2; null only if the layout lacks it.
  DuiLib::CButtonUI* ConfirmButton() const { return confirmButton; }

  DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override;
  DuiLib::CDuiString GetSkinFile() override;
  DuiLib::LRESULT OnCreate(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;

 private:
  DuiLib::CLabelUI* tipsLabel = nullptr;
  DuiLib::CButtonUI* cancelButton = nullptr;
  DuiLib::CButtonUI* confirmButton = nullptr;
  int mode = 0;
  std::u16string text;
};
