#pragma once
// The window-system vocabulary the skinned windows speak: handles, messages,
// keys, styles and results with their Windows names and values, so that the
// windows' own code reads as it would on Windows. Only what the toolkit
// implements is here.

#include <cstdint>

namespace DuiLib {

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using TCHAR = char16_t;
using LPCTSTR = const char16_t*;

// A window as the toolkit knows it; opaque to its users.
struct NativeWindow;
using HWND = NativeWindow*;
using HMENU = void*;

struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const RECT&) const = default;
};
struct SIZE {
  int cx = 0;
  int cy = 0;
};
struct POINT {
  int x = 0;
  int y = 0;
};

// Mouse positions travel in lParam as on Windows: x in the low word, y in the
// high word, both signed.
constexpr LPARAM MAKELPARAM(int x, int y) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }

// Messages.
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSEHOVER = 0x02A1;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_USER = 0x0400;

constexpr int WHEEL_DELTA = 120;

// WM_SYSCOMMAND commands.
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// Virtual keys.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;

// Window class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;

// Window styles (outside/duilib/README.md says what each means here).
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// SetWindowPos.
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;

// Dialog results.
constexpr UINT IDOK = 1;
constexpr UINT IDCANCEL = 2;

}  // namespace DuiLib
