#pragma once
// The window functions of the system (user32 on Windows) as the toolkit
// serves them: windows, their messages, timers, positions and the loops.
// Every function may be called from any thread; the work happens on the UI
// thread (ui_thread.h). Window styles map as outside/duilib/README.md says.

#include <optional>
#include <span>
#include <string>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CWindowWnd;
class CPaintManagerUI;

bool IsWindow(HWND hwnd);
// A top-level window with that class name (and caption, when `windowName` is
// not null): one of ours, else, on an X11 screen, one of another program
// (foreign_window.h), which can own our windows and be centred on. Null when
// there is none.
HWND FindWindow(LPCTSTR className, LPCTSTR windowName);
bool DestroyWindow(HWND hwnd);
// Runs the window's handler on the UI thread and returns its result; 0 for a
// window that no longer exists.
LRESULT SendMessage(HWND hwnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
// Queues the message; it is dropped if the window is gone when its turn comes.
bool PostMessage(HWND hwnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
// Ends the message loop (the outermost CPaintManagerUI::MessageLoop) when its
// turn in the queue comes; before the loop runs, the loop returns at once.
// Modal loops go on until their windows close.
void PostQuitMessage(int exitCode);
// WM_TIMER with `id` every `elapseMs`; setting an id again restarts it.
bool SetTimer(HWND hwnd, UINT id, UINT elapseMs);
bool KillTimer(HWND hwnd, UINT id);
bool GetWindowRect(HWND hwnd, RECT* rect);
bool GetClientRect(HWND hwnd, RECT* rect);
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool ShowWindow(HWND hwnd, bool show, bool takeFocus);
bool IsWindowVisible(HWND hwnd);
bool IsIconic(HWND hwnd);
HWND GetWindowOwner(HWND hwnd);
std::u16string GetWindowText(HWND hwnd);
std::u16string GetClassName(HWND hwnd);
// What a window does with a message no one else handled: WM_CLOSE destroys it,
// WM_SYSCOMMAND minimises, restores or closes it.
LRESULT DefWindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// For the toolkit's own classes.
namespace native {

HWND Create(CWindowWnd* object, HWND owner, const std::u16string& className, const std::u16string& caption,
            UINT classStyle, DWORD style, DWORD exStyle, RECT rect);
void AttachPainter(HWND hwnd, CPaintManagerUI* painter);
void DetachPainter(HWND hwnd, CPaintManagerUI* painter);
void Invalidate(HWND hwnd);
void SetToolTip(HWND hwnd, const std::u16string& text);
// The last press began a drag of the window by its caption band.
void BeginMoveDrag(HWND hwnd);
void SetIcon(HWND hwnd, std::span<const unsigned char> png);
void SetLayered(HWND hwnd, bool layered);
// Shows the window modally for the calling thread and returns its close code
// (the wParam of the WM_CLOSE that destroyed it); -1 when windows cannot be
// shown; nothing when the window was already gone.
std::optional<UINT> RunModal(HWND hwnd);
void RunMessageLoop();

}  // namespace native
}  // namespace DuiLib
