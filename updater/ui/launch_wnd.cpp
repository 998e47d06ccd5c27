#include "updater/ui/launch_wnd.h"

using namespace DuiLib;

namespace {

constexpr char16_t kClassName[] = u"qel_updater_launch_wnd_class_name";
constexpr DWORD kStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;  // 0x10CF0000

}  // namespace

CLaunchWnd::CLaunchWnd() {
  Create(nullptr, UpdaterCaption(), kStyle, WS_EX_WINDOWEDGE);
  SetIcon(kWindowIconResourceId);
}

CLaunchWnd::~CLaunchWnd() = default;

LPCTSTR CLaunchWnd::GetWindowClassName() const { return kClassName; }

CDuiString CLaunchWnd::GetSkinFile() { return LayoutFor(u"LaunchWnd"); }

LRESULT CLaunchWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void CLaunchWnd::Notify(TNotifyUI& msg) {
  if (msg.sType != u"click" || msg.pSender == nullptr) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == u"closeButton" || name == u"launchButton") Close(IDOK);
}
