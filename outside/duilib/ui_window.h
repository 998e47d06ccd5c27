#pragma once
// A window object: its HWND, its creation, showing, modal run and closing.
// The object may live on any thread; its window lives on the UI thread
// (ui_thread.h).

#include <atomic>

#include "outside/duilib/dui_string.h"
#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }  // NOLINT: as on Windows

  // Creates the window: WM_CREATE reaches HandleMessage before this returns,
  // and WS_VISIBLE shows it then. Positions and sizes may be CW_USEDEFAULT (the
  // work area's corner; no size). Null when WM_CREATE refused (returned -1).
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
  // Without a screen, an automated run writes the shown window down (and
  // later changes of its texts); a run that cannot show windows says so.
  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // The program now only waits for the user to close this (non-modal)
  // window. On a screen the user does; an automated run closes it with its
  // next answer, as for a modal window; where windows cannot be shown it is
  // closed at once with IDCANCEL, since no one could.
  void LeaveToUser();
  // Shows the window and waits until it is closed; returns the code given to
  // Close (or the wParam of the WM_CLOSE that ended it). A window already
  // closed returns its close code at once; -1 when it cannot be shown.
  UINT ShowModal();
  // Posts WM_CLOSE with the code.
  void Close(UINT nRet = IDOK);
  // Centres on the owner, or on the screen's work area without one; stays
  // inside the work area.
  void CenterWindow();
  // The program module's icon resource (type "#14", RT_GROUP_ICON, holding a
  // PNG image) with that id.
  void SetIcon(UINT nRes);
  void ResizeClient(int cx = -1, int cy = -1);
  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

  // The window procedure: every message of the window comes here.
  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // The window system's word that the window is gone, with its close code.
  void OnNativeDestroyed(HWND hwnd, UINT closeCode);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  // No superclassing here: a window class is only its name and style.
  virtual LPCTSTR GetSuperClassName() const { return nullptr; }
  virtual UINT GetClassStyle() const { return 0; }
  // After the window is gone; the object itself stays.
  virtual void OnFinalMessage(HWND hWnd);
  // Destroys the window, if it still exists; for destructors of derived classes.
  void DestroyOwnWindow();

  std::atomic<HWND> m_hWnd{nullptr};

 private:
  std::atomic<bool> closed_{false};
  std::atomic<UINT> close_code_{0};
};

}  // namespace DuiLib
