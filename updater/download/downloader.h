#pragma once
// The update job: on its own thread it downloads the package, publishes the
// progress for the window, verifies the package and registers the installer
// component. A network monitor reports lost connectivity meanwhile.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "updater/download/download_settings.h"
#include "updater/download/task_info.h"
#include "updater/download/thread_base.h"
#include "updater/download/update_order.h"
#include "updater/process/client_termination.h"

class Downloader : public ThreadBase {
 public:
  explicit Downloader(UpdateOrder order, DownloadSettings settings = {});
  ~Downloader() override;

  void Run() override;
  virtual void DoInstall() = 0;

  // A copy; each counter is read whole.
  TaskInfo GetTaskInfo() const;
  // True once the package is downloaded, verified and the component registered.
  bool succeeded() const { return progress_->succeeded.load(); }
  // The network monitor started by Run is still watching.
  bool networkMonitorRunning() const { return progress_->monitorRunning.load(); }

  // Set by the owner before StartThread. retryCallback is told the number of
  // consecutive failed network checks, then 0 when the network is back;
  // failureCallback that the update cannot go on. Either may run on any thread.
  std::function<void(unsigned)> retryCallback;
  std::function<void()> failureCallback;
  // Stops the running client (before a forced update downloads, and before
  // an installation); tests replace it.
  std::function<bool()> killClientAndWait = KillClientAndWait;

 protected:
  const UpdateOrder& order() const { return order_; }

 private:
  // Shared with the detached network monitor, which may outlive Run.
  struct Progress {
    std::atomic<std::int64_t> downloadedBytes{0};
    std::atomic<std::int64_t> totalBytes{0};
    std::atomic<bool> succeeded{false};
    std::atomic<bool> runEnded{false};
    std::atomic<bool> monitorRunning{false};
  };

  static void MonitorNetwork(std::shared_ptr<Progress> progress,
                             std::function<void(unsigned)> retry, std::function<void()> failure);
  void ReportFailure(bool onNewThread);

  const UpdateOrder order_;
  const DownloadSettings settings_;
  std::shared_ptr<Progress> progress_ = std::make_shared<Progress>();
};
