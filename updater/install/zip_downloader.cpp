#include "updater/install/zip_downloader.h"

#include <cinttypes>

#include "platform/clock.h"
#include "platform/shell_open.h"
#include "updater/install/archive_component.h"
#include "updater/install/extract_task.h"
#include "updater/install/install_failure_notice.h"
#include "updater/log/updater_log.h"
#include "updater/process/client_termination.h"
#include "updater/process/find_process.h"
#include "updater/ui/launch_wnd.h"
#include "updater/verify/register_component.h"

namespace {

constexpr const char* kLogTag = "zipDownloader";
constexpr const char* kFunction = "ZipDownloader::DoInstall";
constexpr std::uint32_t kClientCheckPauseMs = 500;
// A client that cannot be stopped must not hold the window for ever; past
// this the package goes in over it, as the launcher would.
constexpr std::uint64_t kClientStopLimitMs = 20000;
constexpr std::uint64_t kExtractionLimitMs = 60000;
constexpr std::uint32_t kExtractionRetryMs = 2000;
constexpr std::uint32_t kPauseBeforeLaunchWindowMs = 300;

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

UpdateOrder UpdateOrderFrom(const ZipConf& config) {
  UpdateOrder order;
  order.url = config.zipUrl;
  order.md5 = config.zipMd5;
  order.host = config.host;
  order.urlPath = config.urlPath;
  order.killClientFirst = config.forcedUpdate != 0;
  order.packagePath = config.zipPath;
  order.programFolder = FolderOf(config.zipPath);
  return order;
}

ZipDownloader::ZipDownloader(const ZipConf& config, DownloadSettings settings)
    : Downloader(UpdateOrderFrom(config), std::move(settings)), config_(config) {}

ZipDownloader::~ZipDownloader() { WaitForRun(); }

std::string ZipDownloader::InstallFolderOf(const ZipConf& config) { return FolderOf(config.launcherPath); }

void ZipDownloader::DoInstall() {
  StopClient();
  const bool installed = config_.forcedUpdate == 0 || Extract();
  if (installed) UpdaterLog::Instance().Write(0, kLogTag, __LINE__, kFunction, "install success");
  RegisterComponent(true, order().programFolder + kInstallerComponentName);
  if (config_.launchAfterInstall) Launch();
}

void ZipDownloader::StopClient() {
  UpdaterLog& log = UpdaterLog::Instance();
  const std::uint64_t start = platform::TickCountMs();
  while (FindProcess_ByName(kClientProgram) != 0) {
    if (platform::TickCountMs() - start > kClientStopLimitMs) {
      log.Write(0, kLogTag, __LINE__, kFunction, "Wfe still running after %" PRIu64 " ms, installing anyway",
                kClientStopLimitMs);
      return;
    }
    log.Write(0, kLogTag, __LINE__, kFunction, "Wfe is running");
    if (killClientAndWait) killClientAndWait();
    platform::SleepMs(kClientCheckPauseMs);
  }
}

// Unpacks into the launcher's folder: the launcher unpacks the same package
// there when it applies it at its next start, so both paths install alike.
bool ZipDownloader::Extract() {
  ExtractTask task(config_.zipPath, InstallFolderOf(config_), order().programFolder + kArchiveComponentName);
  UpdaterLog& log = UpdaterLog::Instance();
  const std::uint64_t start = platform::TickCountMs();
  while (!task.TryExtract()) {
    log.Write(0, kLogTag, __LINE__, kFunction, "extraction failed: %s", task.failure().c_str());
    if (platform::TickCountMs() - start > kExtractionLimitMs) {
      log.Write(0, kLogTag, __LINE__, kFunction, "update install failed , zipName: %s , folder : %s ",
                task.archivePath().c_str(), task.folder().c_str());
      ShowInstallFailureNotice();
      return false;
    }
    platform::SleepMs(kExtractionRetryMs);
  }
  return true;
}

void ZipDownloader::Launch() {
  platform::SleepMs(kPauseBeforeLaunchWindowMs);
  CLaunchWnd launch;
  launch.CenterWindow();
  launch.ShowModal();
  const platform::Status started = platform::ShellOpen(config_.launcherPath, config_.pageCallParam);
  if (!started) {
    UpdaterLog::Instance().Write(0, kLogTag, __LINE__, kFunction, "cannot start %s: %s",
                                 config_.launcherPath.c_str(), started.error().Describe().c_str());
  }
}
