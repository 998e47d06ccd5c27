#include "updater/progress/updater_wnd.h"

#include "outside/duilib/window_system.h"
#include "platform/clock.h"
#include "platform/network_state.h"
#include "updater/progress/progress_texts.h"
#include "updater/ui/download_page.h"
#include "updater/ui/language_rule.h"
#include "updater/ui/tips_box_wnd.h"

using namespace DuiLib;

namespace {

constexpr char16_t kClassName[] = u"qel_updater_wnd_class_name";
constexpr DWORD kStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;  // 0x10CF0000
constexpr UINT kProgressPeriodMs = 1000;
constexpr std::uint32_t kRetryPauseMs = 2000;
constexpr std::uint32_t kPauseBeforeInstallMs = 1000;
constexpr int kTipsCaptionFromCreator = 2;
constexpr DWORD kCompletionTextColor = 0xFF00;
constexpr int kChangeLogFont = 2;
constexpr DWORD kChangeLogTextColor = 0x5D5D5D;

template <class Control>
Control* Find(CPaintManagerUI& pm, LPCTSTR name) {
  return dynamic_cast<Control*>(pm.FindControl(name));
}

}  // namespace

CUpdaterWnd::CUpdaterWnd() {
  Create(nullptr, UpdaterCaption(), kStyle, WS_EX_WINDOWEDGE);
  SetIcon(kWindowIconResourceId);
  reports->window = GetHWND();
}

CUpdaterWnd::~CUpdaterWnd() {
  reports->window = nullptr;
  DestroyOwnWindow();
}

LPCTSTR CUpdaterWnd::GetWindowClassName() const { return kClassName; }

CDuiString CUpdaterWnd::GetSkinFile() { return LayoutFor(u"UpdaterWnd"); }

void CUpdaterWnd::InitWindow() {
  ListContainer = Find<CListUI>(m_pm, u"ListContainer");
  tipsLabel = Find<CLabelUI>(m_pm, u"tipsLabel");
  title = Find<CLabelUI>(m_pm, u"title");
  version = Find<CLabelUI>(m_pm, u"version");
  closeButton = Find<CButtonUI>(m_pm, u"closeButton");
  minButton = Find<CButtonUI>(m_pm, u"minButton");
  installButton = Find<CButtonUI>(m_pm, u"installButton");
  buttonLayout = m_pm.FindControl(u"buttonLayout");
  progressLayout = m_pm.FindControl(u"progressLayout");
  downloadProgress = Find<CProgressUI>(m_pm, u"downloadProgress");
  SetWindowPos(GetHWND(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CUpdaterWnd::Init(const ZipConf& newConf, DownloadSettings settings) {
  conf = newConf;
  if (version != nullptr) version->SetText(VersionLabel(conf.newVersion).c_str());
  if (!conf.prompt.empty()) FillChangeLog();

  installer = std::make_shared<ZipDownloader>(conf, std::move(settings));
  installer->retryCallback = [shared = reports](unsigned count) { ReportRetry(*shared, count); };
  installer->failureCallback = [shared = reports] { ReportFailure(*shared); };
  installer->StartThread();
  SetTimer(GetHWND(), kProgressTimerId, kProgressPeriodMs);
}

void CUpdaterWnd::FillChangeLog() {
  if (ListContainer == nullptr) return;
  ListContainer->RemoveAll();
  ListContainer->EnableScrollBar(true, false);
  for (const std::string& piece : SplitPrompt(conf.prompt)) {
    auto* line = new CLabelUI;
    line->SetAttribute(u"width", u"260");
    line->SetAttribute(u"multiline", u"true");
    line->SetAttribute(u"wordbreak", u"true");
    line->SetFont(kChangeLogFont);
    line->SetTextColor(kChangeLogTextColor);
    line->SetText(PromptLine(piece).c_str());
    ListContainer->Add(line);
  }
}

LRESULT CUpdaterWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_CLOSE || uMsg == WM_QUIT) {
    PostQuitMessage(0);
    return 1;
  }
  if (uMsg == WM_TIMER && wParam == kProgressTimerId) OnProgressTick();
  return CQelWndBase::HandleMessage(uMsg, wParam, lParam);
}

void CUpdaterWnd::OnProgressTick() {
  if (!installer) return;
  const TaskInfo info = installer->GetTaskInfo();
  const std::int64_t percentage = DownloadPercentage(info.downloadedBytes, info.totalBytes);
  const std::uint32_t speed = SpeedPerTick(info.downloadedBytes, lastDownloaded);
  UpdateDisplay(DisplayedPercentage(percentage), speed);
  lastDownloaded = static_cast<std::uint32_t>(info.downloadedBytes);
}

void CUpdaterWnd::UpdateDisplay(int percentage, std::uint32_t speed) {
  const std::uint32_t retryCount = reports->retryCount;
  if (retryCount == 1) {
    RECT window;
    if (GetWindowRect(GetHWND(), &window)) {
      const RECT narrowed = RetryWindowRect(window);
      SetWindowPos(GetHWND(), nullptr, narrowed.left, narrowed.top, narrowed.Width(), narrowed.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  const std::u16string status =
      StatusText(UsesChineseTexts(), conf.forcedUpdate != 0, percentage, retryCount, speed);
  if (tipsLabel != nullptr) tipsLabel->SetText(status.c_str());
  if (downloadProgress != nullptr) downloadProgress->SetValue(percentage);
  if (installer && installer->succeeded()) OnDownloadComplete();
}

void CUpdaterWnd::OnDownloadComplete() {
  KillTimer(GetHWND(), kProgressTimerId);
  if (conf.forcedUpdate != 0) {
    platform::SleepMs(kPauseBeforeInstallMs);
    installer->DoInstall();
    PostQuitMessage(0);
    return;
  }
  const bool chinese = UsesChineseTexts();
  if (chinese) {
    if (title != nullptr) title->SetText(kCompletionTitle);
    if (tipsLabel != nullptr) tipsLabel->SetTextColor(kCompletionTextColor);
  }
  if (tipsLabel != nullptr) tipsLabel->SetText(CompletionText(chinese).c_str());
  if (buttonLayout != nullptr) buttonLayout->SetVisible(true);
  // The package waits in the updater's folder for the launcher's next start;
  // all that is left is for the user to close the window.
  LeaveToUser();
}

void CUpdaterWnd::Notify(TNotifyUI& msg) {
  if (msg.sType != u"click" || msg.pSender == nullptr) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == u"closeButton") {
    PostQuitMessage(0);
  } else if (name == u"installButton") {
    if (installer) installer->DoInstall();
    PostQuitMessage(0);
  } else if (name == u"minButton") {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
  }
}

void CUpdaterWnd::OnRetry(unsigned count) { ReportRetry(*reports, count); }

void CUpdaterWnd::OnFailure() { ReportFailure(*reports); }

void CUpdaterWnd::ReportRetry(Reports& shared, unsigned count) {
  shared.retryCount = count;
  platform::SleepMs(kRetryPauseMs);
}

void CUpdaterWnd::ReportFailure(Reports& shared) {
  const FailureNoticeTexts texts = FailureNotice(UsesChineseTexts(), platform::IsNetworkAlive());
  UINT answer = 0;
  {
    CTipsBoxWnd box(nullptr, texts.text, kTipsCaptionFromCreator);
    if (box.ConfirmButton() != nullptr) box.ConfirmButton()->SetText(texts.button.c_str());
    answer = box.ShowModal();
  }
  if (answer == IDOK) OpenDownloadPage();
  if (const HWND window = shared.window) DuiLib::SendMessage(window, WM_QUIT);
}
