#include "updater/ui/tips_box_wnd.h"

#include "outside/duilib/ui_button.h"
#include "outside/duilib/ui_label.h"

using namespace DuiLib;

namespace {

constexpr char16_t kClassName[] = u"qel_updater_tips_wnd_class_name";
constexpr char16_t kCaption[] = u"parvolesk提示";
constexpr DWORD kStyle = WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | WS_DLGFRAME | WS_VISIBLE |
                         WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x96C80000
constexpr int kConfirmCaptionLater = 2;
constexpr DWORD kConfirmTextColor = 0x000000;
constexpr DWORD kConfirmHotTextColor = 0xFFFFFF;
constexpr DWORD kConfirmPushedTextColor = 0xB2C3CC;

}  // namespace

CTipsBoxWnd::CTipsBoxWnd(HWND owner, const std::u16string& text, int mode) : mode(mode), text(text) {
  Create(owner, kCaption, kStyle, WS_EX_TOOLWINDOW);
}

CTipsBoxWnd::~CTipsBoxWnd() = default;

LPCTSTR CTipsBoxWnd::GetWindowClassName() const { return kClassName; }

CDuiString CTipsBoxWnd::GetSkinFile() { return LayoutFor(u"TipsBoxWnd"); }

LRESULT CTipsBoxWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void CTipsBoxWnd::InitWindow() {
  tipsLabel = dynamic_cast<CLabelUI*>(m_pm.FindControl(u"tipsLabel"));
  cancelButton = dynamic_cast<CButtonUI*>(m_pm.FindControl(u"cancelButton"));
  confirmButton = dynamic_cast<CButtonUI*>(m_pm.FindControl(u"confirmButton"));
  if (confirmButton != nullptr) {
    confirmButton->SetText(mode == kConfirmCaptionLater ? u"" : u"确定");
    confirmButton->SetTextColor(kConfirmTextColor);
    confirmButton->SetHotTextColor(kConfirmHotTextColor);
    confirmButton->SetPushedTextColor(kConfirmPushedTextColor);
  }
  if (cancelButton != nullptr) cancelButton->SetVisible((mode & 1) != 0);
  if (tipsLabel != nullptr) tipsLabel->SetText(text.c_str());
}

LRESULT CTipsBoxWnd::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  const LRESULT result = WindowImplBase::OnCreate(uMsg, wParam, lParam, bHandled);
  CenterWindow();
  return result;
}

void CTipsBoxWnd::Notify(TNotifyUI& msg) {
  if (msg.sType != u"click" || msg.pSender == nullptr) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == u"closeButton" || name == u"cancelButton") {
    Close(IDCANCEL);
  } else if (name == u"confirmButton") {
    Close(IDOK);
  }
}
