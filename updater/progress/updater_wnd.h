#pragma once
// The updater's main window: it runs the update job, shows its progress once
// a second (bar, percentage, retries, speed) with the version and the change
// log, installs at once when the update is forced, tells the user that a
// download that is not forced will be installed at the next start, and
// reports failures in a box of its own.

#include <atomic>
#include <cstdint>
#include <memory>

#include "outside/duilib/ui_button.h"
#include "outside/duilib/ui_label.h"
#include "outside/duilib/ui_list.h"
#include "outside/duilib/ui_progress.h"
#include "updater/cmdline/zip_conf.h"
#include "updater/download/download_settings.h"
#include "updater/install/zip_downloader.h"
#include "updater/ui/qel_wnd_base.h"

class CUpdaterWnd : public CQelWndBase {
 public:
  static constexpr DuiLib::UINT kProgressTimerId = 1121;

  // Creates the window, not yet filled; the main flow hides it, calls Init
  // and shows it.
  CUpdaterWnd();
  ~CUpdaterWnd() override;

  // Fills the version label and the change log, starts the update job for
  // `conf` and the one-second progress timer. `settings` are the job's
  // transfer limits.
  void Init(const ZipConf& conf, DownloadSettings settings = {});

  void InitWindow() override;
  // WM_CLOSE and WM_QUIT end the message loop; the progress timer ticks.
  DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  // The job's reports, from its threads: the number of failed network checks
  // (0 when the network is back), then a pause of 2 s that paces the checks;
  // and a failure, told in a box, after which the updater ends.
  void OnRetry(unsigned count);
  void OnFailure();

  const std::shared_ptr<ZipDownloader>& Installer() const { return installer; }

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override;
  DuiLib::CDuiString GetSkinFile() override;

 private:
  // What the job's threads reach of the window. They may report after the
  // window is gone, so they hold this part and never the window itself.
  struct Reports {
    std::atomic<std::uint32_t> retryCount{0};
    std::atomic<DuiLib::HWND> window{nullptr};
  };
  static void ReportRetry(Reports& reports, unsigned count);
  static void ReportFailure(Reports& reports);

  void OnProgressTick();
  void UpdateDisplay(int percentage, std::uint32_t speed);
  void OnDownloadComplete();
  void FillChangeLog();

  std::uint32_t lastDownloaded = 0;  // low 32 bits of the count at the last tick
  ZipConf conf;
  std::shared_ptr<Reports> reports = std::make_shared<Reports>();  // retryCount lives here
  std::shared_ptr<ZipDownloader> installer;
  DuiLib::CListUI* ListContainer = nullptr;
  DuiLib::CLabelUI* tipsLabel = nullptr;
  DuiLib::CLabelUI* title = nullptr;
  DuiLib::CLabelUI* version = nullptr;
  DuiLib::CButtonUI* closeButton = nullptr;
  DuiLib::CButtonUI* minButton = nullptr;
  DuiLib::CButtonUI* installButton = nullptr;
  DuiLib::CControlUI* buttonLayout = nullptr;
  DuiLib::CControlUI* progressLayout = nullptr;
  DuiLib::CProgressUI* downloadProgress = nullptr;
};
