#pragma once
// Both suites run DoInstall in this process, whose windows nobody sees: no
// display, every window answered at once, the skin from this test program.

#include <stdlib.h>

#include "outside/duilib/ui_paint_manager.h"
#include "platform/module_resources.h"

namespace install_test {

inline void AnswerWindowsWithoutADisplay() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("VESKA_WINDOW_ANSWER", "1", 1);
  DuiLib::CPaintManagerUI::SetInstance(platform::ProgramModule());
}

}  // namespace install_test
