#include "outside/duilib/ui_window.h"

#include <cstdio>
#include <string>

#include "outside/duilib/automation_record.h"
#include "outside/duilib/presentation.h"
#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"
#include "outside/duilib/window_system.h"
#include "platform/module_resources.h"

namespace DuiLib {
namespace {

constexpr char16_t kIconResourceType[] = u"#14";  // RT_GROUP_ICON
constexpr UINT kCreateRefused = static_cast<UINT>(-1);

}  // namespace

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() { DestroyOwnWindow(); }

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx,
                        int cy, HMENU) {
  const std::u16string caption = pstrName != nullptr ? pstrName : u"";
  HWND created = nullptr;
  UiThread::Run([&] {
    if (m_hWnd != nullptr) {
      created = m_hWnd;
      return;
    }
    const RECT work = ScreenWorkArea();
    const int left = x == CW_USEDEFAULT ? work.left : x;
    const int top = y == CW_USEDEFAULT ? work.top : y;
    const int width = cx == CW_USEDEFAULT ? 0 : cx;
    const int height = cy == CW_USEDEFAULT ? 0 : cy;
    const LPCTSTR class_name = GetWindowClassName();
    HWND hwnd = native::Create(this, hwndParent, class_name != nullptr ? class_name : u"", caption, GetClassStyle(),
                               dwStyle, dwExStyle, RECT{left, top, left + width, top + height});
    closed_ = false;
    m_hWnd = hwnd;
    if (static_cast<UINT>(DuiLib::SendMessage(hwnd, WM_CREATE, 0, 0)) == kCreateRefused) {
      DestroyWindow(hwnd);
      closed_ = false;  // never made, rather than closed
      return;
    }
    if (!IsWindow(hwnd)) return;
    if ((dwStyle & WS_VISIBLE) != 0) DuiLib::ShowWindow(hwnd, true, true);
    created = hwnd;
  });
  return created;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  UiThread::Run([&] {
    const HWND hwnd = m_hWnd;
    DuiLib::ShowWindow(hwnd, bShow, bTakeFocus);
    if (bShow && IsWindow(hwnd)) native::RecordShown(hwnd);
  });
}

void CWindowWnd::LeaveToUser() {
  UiThread::Run([&] {
    const HWND hwnd = m_hWnd;
    if (!IsWindow(hwnd)) return;
    switch (CurrentPresentation()) {
      case Presentation::kAutomation:
        native::AnswerForAPerson(hwnd);
        return;
      case Presentation::kRefused:
        DuiLib::PostMessage(hwnd, WM_CLOSE, IDCANCEL, 0);
        return;
      case Presentation::kScreen:
      case Presentation::kOffscreen:
        return;
    }
  });
}

UINT CWindowWnd::ShowModal() {
  const HWND hwnd = m_hWnd;
  if (hwnd != nullptr) {
    if (const auto code = native::RunModal(hwnd)) return *code;
  }
  // Closed before it was shown (or never made).
  return closed_ ? close_code_.load() : static_cast<UINT>(-1);
}

void CWindowWnd::Close(UINT nRet) { DuiLib::PostMessage(m_hWnd, WM_CLOSE, nRet, 0); }

void CWindowWnd::CenterWindow() {
  UiThread::Run([&] {
    RECT window;
    if (!GetWindowRect(m_hWnd, &window)) return;
    const RECT work = ScreenWorkArea();
    RECT center = work;
    const HWND owner = GetWindowOwner(m_hWnd);
    if (owner != nullptr) GetWindowRect(owner, &center);
    int left = center.left + (center.Width() - window.Width()) / 2;
    int top = center.top + (center.Height() - window.Height()) / 2;
    if (left + window.Width() > work.right) left = work.right - window.Width();
    if (top + window.Height() > work.bottom) top = work.bottom - window.Height();
    if (left < work.left) left = work.left;
    if (top < work.top) top = work.top;
    SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

void CWindowWnd::SetIcon(UINT nRes) {
  const auto png = platform::FindModuleResource(CPaintManagerUI::GetInstance(), kIconResourceType,
                                                static_cast<std::uint16_t>(nRes));
  if (!png) {
    std::fprintf(stderr, "duilib: no icon resource %u\n", nRes);
    return;
  }
  native::SetIcon(m_hWnd, *png);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  UiThread::Run([&] {
    RECT client;
    if (!GetClientRect(m_hWnd, &client)) return;
    SetWindowPos(m_hWnd, nullptr, 0, 0, cx < 0 ? client.Width() : cx, cy < 0 ? client.Height() : cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DuiLib::SendMessage(m_hWnd, uMsg, wParam, lParam);
}

bool CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DuiLib::PostMessage(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnNativeDestroyed(HWND hwnd, UINT closeCode) {
  m_hWnd = nullptr;
  close_code_ = closeCode;
  closed_ = true;
  OnFinalMessage(hwnd);
}

void CWindowWnd::OnFinalMessage(HWND) {}

// A window already gone needs nothing of the UI thread, which may have ended
// its loop by then.
void CWindowWnd::DestroyOwnWindow() {
  if (m_hWnd == nullptr) return;
  UiThread::Run([&] {
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
  });
}

}  // namespace DuiLib
