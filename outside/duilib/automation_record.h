#pragma once
// What an automated run (Presentation::kAutomation) writes of its windows on
// standard error, in place of a screen:
//   - a modal window, once, when it is answered (modal_loop.cpp);
//   - a window shown with CWindowWnd::ShowWindow, when it is shown, and then
//     one more line naming each text that changed, as a screen would repaint;
//   - a window left to the user (CWindowWnd::LeaveToUser), when it is
//     answered.
// Lines: "window: class=<class> caption=<caption> <name>=\"<text>\"... [answer=<code>]".
// UI thread only.

#include <string>

#include "outside/duilib/win_defs.h"

namespace DuiLib::native {

void WriteLine(const std::string& line);
// "window: class=... caption=..." followed by the window's shown texts.
std::string DescribeWindow(HWND hwnd);

// A window was shown outside a modal loop.
void RecordShown(HWND hwnd);
// The window's content changed: its changed texts are written once the
// queued work of the UI thread has run (several changes give one line).
void RecordChangesLater(HWND hwnd);
// Closes the window with the next automation answer, as the person would.
void AnswerForAPerson(HWND hwnd);

}  // namespace DuiLib::native
