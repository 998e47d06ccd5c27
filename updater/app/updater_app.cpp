#include "updater/app/updater_app.h"

#include <chrono>

#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/window_system.h"
#include "updater/cmdline/parse_zip_conf.h"
#include "updater/process/client_termination.h"
#include "updater/progress/updater_wnd.h"
#include "updater/ui/language_rule.h"
#include "updater/ui/tips_box_wnd.h"

namespace {

constexpr char kAutoUpdateMutexName[] = "TRVO_AutoUpdate";
constexpr char kUpdateInProgressMutexName[] = "{11B0C527-BB62-4BE3-9769-26491D9845B4}";
constexpr std::chrono::milliseconds kAutoUpdateWait{10000};
constexpr char16_t kClientWindowClass[] = u"parvolesk";
constexpr int kNoticeMode = 0;
constexpr char kNothingToDownload[] = "?";

const char16_t* ForcedNoticeText() {
  return UsesChineseTexts() ? u"您的客户端版本太低，将更新至最新版本!"
                            : u"Your client version is too low. We will update it to the latest version!";
}

// Over the client's main window when there is one.
void ShowForcedNotice() {
  const DuiLib::HWND client = DuiLib::FindWindow(kClientWindowClass, nullptr);
  CTipsBoxWnd notice(client, ForcedNoticeText(), kNoticeMode);
  notice.CenterWindow();
  notice.ShowModal();
}

}  // namespace

bool UpdaterApp::Init(int argumentCount) {
  // Only a holder that keeps the lock past the wait stops the update; one
  // that cannot be created or waited for does not.
  if (auto created = platform::NamedMutex::Create(kAutoUpdateMutexName, false)) {
    autoUpdateMutex.emplace(std::move(created->mutex));
    if (autoUpdateMutex->Wait(kAutoUpdateWait) == platform::MutexWait::kTimeout) return false;
  }
  if (auto existing = platform::NamedMutex::Open(kUpdateInProgressMutexName)) {
    updateMutex.emplace(std::move(*existing));
    return false;
  }
  if (auto created = platform::NamedMutex::Create(kUpdateInProgressMutexName, true)) {
    updateMutex.emplace(std::move(created->mutex));
  }
  return argumentCount > 1;
}

bool UpdaterApp::Run(const std::u16string& commandLine) {
  DuiLib::CPaintManagerUI::SetInstance(instance);
  DuiLib::CPaintManagerUI::SetResourcePath(DuiLib::CPaintManagerUI::GetInstancePath());

  const ZipConf conf = parseZipConf(commandLine.c_str());
  if (conf.forcedUpdate == 1) {
    ShowForcedNotice();
    KillClientAndWait();
  }
  if (conf.zipUrl == kNothingToDownload) return false;

  CUpdaterWnd window;
  window.ShowWindow(false, true);
  window.CenterWindow();
  window.Init(conf);
  // Shown with the focus, which also makes it the active window.
  window.ShowWindow(true, true);
  DuiLib::CPaintManagerUI::MessageLoop();
  return true;
}
