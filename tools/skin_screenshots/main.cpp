// Renders the updater's windows to PNG files, without a display:
//   skin_screenshots FOLDER
// The tips box in modes 0 and 2, the launch window and the progress window's
// layout (as laid out, in use with a change log and a progress, after a first
// retry report, and with a download that is not forced complete), each in
// Chinese and in English.

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "outside/duilib/presentation.h"
#include "outside/duilib/ui_label.h"
#include "outside/duilib/ui_list.h"
#include "outside/duilib/ui_progress.h"
#include "outside/duilib/window_system.h"
#include "updater/progress/progress_texts.h"
#include "updater/ui/launch_wnd.h"
#include "updater/ui/qel_wnd_base.h"
#include "updater/ui/tips_box_wnd.h"

using namespace DuiLib;

namespace {

// The progress window's layouts, for a picture; the window itself comes with
// its own class.
class ProgressLayoutPreview : public CQelWndBase {
 public:
  ProgressLayoutPreview() { Create(nullptr, UpdaterCaption(), WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE); }

  void FillAsInUse(bool chinese) {
    if (auto* list = dynamic_cast<CListUI*>(m_pm.FindControl(u"ListContainer"))) {
      list->RemoveAll();
      list->EnableScrollBar(true, false);
      for (const char16_t* line : {u"1. 课堂白板支持多人同时书写", u"2. 修复了网络切换后声音中断的问题",
                                   u"3. 上课提醒更准时，点击即可进入教室"}) {
        auto* label = new CLabelUI;
        label->SetAttribute(u"width", u"260");
        label->SetAttribute(u"multiline", u"true");
        label->SetAttribute(u"wordbreak", u"true");
        label->SetFont(2);
        label->SetTextColor(0x5D5D5D);
        label->SetText(line);
        list->Add(label);
      }
    }
    if (auto* version = m_pm.FindControl(u"version")) version->SetText(u"最新版本：8.7.0");
    if (auto* progress = dynamic_cast<CProgressUI*>(m_pm.FindControl(u"downloadProgress"))) progress->SetValue(42);
    if (auto* tips = m_pm.FindControl(u"tipsLabel")) tips->SetText(StatusText(chinese, false, 42, 0, 524288).c_str());
  }

  // As the window shows the first retry report: 360 pixels wide at its right edge.
  void FillAsRetrying(bool chinese) {
    if (auto* tips = m_pm.FindControl(u"tipsLabel")) tips->SetText(StatusText(chinese, false, 42, 1, 0).c_str());
    RECT window;
    GetWindowRect(GetHWND(), &window);
    const RECT narrowed = RetryWindowRect(window);
    SetWindowPos(GetHWND(), nullptr, narrowed.left, narrowed.top, narrowed.Width(), narrowed.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // A download that is not forced, complete and waiting for the user.
  void FillAsComplete(bool chinese) {
    ResizeClient(m_pm.GetInitSize().cx, m_pm.GetInitSize().cy);
    if (auto* progress = dynamic_cast<CProgressUI*>(m_pm.FindControl(u"downloadProgress"))) progress->SetValue(100);
    auto* tips = dynamic_cast<CLabelUI*>(m_pm.FindControl(u"tipsLabel"));
    if (chinese) {
      if (auto* title = m_pm.FindControl(u"title")) title->SetText(kCompletionTitle);
      if (tips != nullptr) tips->SetTextColor(0xFF00);
    }
    if (tips != nullptr) tips->SetText(CompletionText(chinese).c_str());
    if (auto* buttons = m_pm.FindControl(u"buttonLayout")) buttons->SetVisible(true);
  }

 protected:
  LPCTSTR GetWindowClassName() const override { return u"qel_updater_wnd_class_name"; }
  CDuiString GetSkinFile() override { return LayoutFor(u"UpdaterWnd"); }
};

bool Save(WindowImplBase& window, const std::filesystem::path& file) {
  const auto image = window.PaintManager().Render();
  if (!image || !image->SavePng(file.string())) {
    std::fprintf(stderr, "skin_screenshots: cannot write %s\n", file.c_str());
    return false;
  }
  std::printf("%s\n", file.c_str());
  return true;
}

struct Language {
  const char* locale;
  const char* suffix;
  bool chinese;
  const char16_t* notice;
  const char16_t* failure;
  const char16_t* failure_button;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  UseOffscreenPresentation();
  CPaintManagerUI::SetInstance(platform::ProgramModule());

  const Language languages[] = {
      {"zh_CN.UTF-8", "zh", true, u"您的客户端版本太低，将更新至最新版本!", u"升级出问题了,请下载完整安装包~",
       u"前往下载"},
      {"en_US.UTF-8", "en", false, u"Your client version is too low. We will update it to the latest version!",
       u"The network has been disconnected. Please check the network environment and try again.", u"Close"},
  };
  bool ok = true;
  for (const Language& language : languages) {
    setenv("LANGUAGE", language.locale, 1);
    const std::string suffix = std::string("_") + language.suffix + ".png";
    {
      CTipsBoxWnd notice(nullptr, language.notice, 0);
      ok = Save(notice, folder / ("tips_box_mode0" + suffix)) && ok;
    }
    {
      CTipsBoxWnd failure(nullptr, language.failure, 2);
      if (failure.ConfirmButton() != nullptr) failure.ConfirmButton()->SetText(language.failure_button);
      ok = Save(failure, folder / ("tips_box_mode2" + suffix)) && ok;
    }
    {
      CLaunchWnd launch;
      ok = Save(launch, folder / ("launch_window" + suffix)) && ok;
    }
    {
      ProgressLayoutPreview progress;
      ok = Save(progress, folder / ("progress_window" + suffix)) && ok;
      progress.FillAsInUse(language.chinese);
      ok = Save(progress, folder / ("progress_window_in_use" + suffix)) && ok;
      progress.FillAsRetrying(language.chinese);
      ok = Save(progress, folder / ("progress_window_retry" + suffix)) && ok;
      progress.FillAsComplete(language.chinese);
      ok = Save(progress, folder / ("progress_window_complete" + suffix)) && ok;
    }
  }
  return ok ? 0 : 1;
}
