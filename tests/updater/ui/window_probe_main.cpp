// Shows the updater's windows as a program would, for the process-level
// tests. It takes a role on its command line:
//   tips MODE TEXT [CAPTION]  a tips box (CAPTION on its confirm button);
//                             exits with its close code
//   launch                    the launch window; exits with its close code
//   notice-then-launch        a mode 0 tips box, then the launch window;
//                             prints "notice=N launch=M"
// A close code of -1 (windows cannot be shown) is exit status 255.

#include <cstdio>
#include <string>

#include "outside/duilib/ui_paint_manager.h"
#include "platform/module_resources.h"
#include "platform/text.h"
#include "updater/ui/launch_wnd.h"
#include "updater/ui/tips_box_wnd.h"

namespace {

constexpr int kUsage = 64;

int ShowTips(int mode, const std::string& text, const char* caption) {
  CTipsBoxWnd box(nullptr, platform::Utf8ToUtf16(text), mode);
  if (caption != nullptr && box.ConfirmButton() != nullptr) {
    box.ConfirmButton()->SetText(platform::Utf8ToUtf16(caption).c_str());
  }
  return static_cast<int>(box.ShowModal());
}

int ShowLaunch() {
  CLaunchWnd launch;
  launch.CenterWindow();
  return static_cast<int>(launch.ShowModal());
}

}  // namespace

int main(int argc, char** argv) {
  DuiLib::CPaintManagerUI::SetInstance(platform::ProgramModule());
  const std::string role = argc > 1 ? argv[1] : "";
  if (role == "tips" && (argc == 4 || argc == 5)) return ShowTips(std::stoi(argv[2]), argv[3], argc == 5 ? argv[4] : nullptr);
  if (role == "launch" && argc == 2) return ShowLaunch();
  if (role == "notice-then-launch" && argc == 2) {
    const int notice = ShowTips(0, "Your client version is too low. We will update it to the latest version!", nullptr);
    const int launch = ShowLaunch();
    std::printf("notice=%d launch=%d\n", notice, launch);
    return 0;
  }
  std::fprintf(stderr, "usage: %s tips MODE TEXT [CAPTION] | launch | notice-then-launch\n", argv[0]);
  return kUsage;
}
