#include "updater/download/downloader.h"

#include <curl/curl.h>

#include <thread>

#include "platform/clock.h"
#include "platform/network_state.h"
#include "platform/shared_file.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/dns_share.h"
#include "updater/verify/package_check.h"
#include "updater/verify/register_component.h"

namespace {

constexpr int kThreadCount = 5;
constexpr std::uint32_t kProgressPollMs = 1000;
constexpr std::uint32_t kMonitorPeriodMs = 3000;
constexpr unsigned kMonitorChecks = 10;

}  // namespace

Downloader::Downloader(UpdateOrder order, DownloadSettings settings)
    : order_(std::move(order)), settings_(std::move(settings)) {}

Downloader::~Downloader() { WaitForRun(); }

TaskInfo Downloader::GetTaskInfo() const {
  return TaskInfo{order_.md5, progress_->downloadedBytes.load(), progress_->totalBytes.load()};
}

void Downloader::Run() {
  platform::DeleteSharedFile(order_.packagePath);
  if (order_.killClientFirst && killClientAndWait) killClientAndWait();

  auto engine = std::make_unique<CurlDownloader>(settings_);
  curl_global_init(CURL_GLOBAL_ALL);
  DnsShare();

  if (!platform::IsNetworkAlive()) ReportFailure(false);

  engine->Start(order_.url, order_.packagePath, kThreadCount);

  progress_->monitorRunning = true;
  std::thread(&Downloader::MonitorNetwork, progress_, retryCallback, failureCallback).detach();

  auto publish = [&] {
    progress_->totalBytes = engine->fileSize();
    progress_->downloadedBytes = engine->downloadedBytes();
  };
  bool stopped = false;
  while (!engine->IsFinished(&stopped)) {
    publish();
    // Every worker has given up: the package cannot complete in this run.
    if (stopped) break;
    platform::SleepMs(kProgressPollMs);
  }
  publish();
  const bool complete = engine->IsFinished(nullptr);
  engine->WaitAndFinish();
  engine.reset();

  if (!complete) {
    // The temporary file stays for a later run to resume.
    ReportFailure(false);
  } else if (PackageDigestMatches(order_.packagePath, order_.md5)) {
    RegisterComponent(true, order_.programFolder + kInstallerComponentName);
    progress_->succeeded = true;
  } else {
    platform::DeleteSharedFile(order_.packagePath);
    progress_->downloadedBytes = 0;
    ReportFailure(true);
  }
  progress_->runEnded = true;
}

void Downloader::ReportFailure(bool onNewThread) {
  if (!failureCallback) return;
  if (onNewThread) {
    std::thread([failure = failureCallback] { failure(); }).detach();
  } else {
    failureCallback();
  }
}

void Downloader::MonitorNetwork(std::shared_ptr<Progress> progress, std::function<void(unsigned)> retry,
                                std::function<void()> failure) {
  struct EndMark {
    Progress& progress;
    ~EndMark() { progress.monitorRunning = false; }
  } endMark{*progress};
  unsigned failedChecks = 0;
  for (;;) {
    // Nothing left to watch once the job has ended.
    if (progress->runEnded) return;
    if (platform::IsNetworkAlive()) {
      platform::SleepMs(kMonitorPeriodMs);
      const std::int64_t total = progress->totalBytes;
      const std::int64_t downloaded = progress->downloadedBytes;
      if (total > 0 && downloaded > 0 && total == downloaded) return;
      continue;
    }
    bool back = false;
    // No pause of its own: the pace comes from the retry handler.
    while (failedChecks < kMonitorChecks && !back) {
      if (retry) retry(failedChecks);
      if (platform::IsNetworkAlive()) {
        if (retry) retry(0);
        failedChecks = 0;
        back = true;
      } else {
        ++failedChecks;
      }
    }
    if (back) continue;
    if (failure) failure();
    return;
  }
}
