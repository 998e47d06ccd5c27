#include "zerozedev/process/client_process_watch.h"

#include <chrono>

#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"

namespace zerozedev {
namespace {

// How long the watch may take to notice that it is being stopped.
constexpr auto kWaitSlice = std::chrono::milliseconds(100);

}  // namespace

ClientProcessWatch::ClientProcessWatch(platform::Process client,
                                       std::shared_ptr<CefPipeChannel> channel)
    : client_(std::move(client)), channel_(std::move(channel)), thread_([this] { Watch(); }) {}

ClientProcessWatch::~ClientProcessWatch() {
  stop_ = true;
  thread_.join();
}

void ClientProcessWatch::Watch() {
  const int pid = client_.pid();
  auto outcome = platform::WaitOutcome::kTimeout;
  while (!stop_ && outcome == platform::WaitOutcome::kTimeout) outcome = client_.Wait(kWaitSlice);
  if (outcome == platform::WaitOutcome::kTimeout) return;

  const auto code = client_.ExitCode();
  LauncherLog::Instance().Write(4, "cefprocessmanager", __LINE__, "CefProcessManager::WatchClient",
                                "client process %d ended, exit code %d%s", pid, code.value_or(-1),
                                outcome == platform::WaitOutcome::kFailed ? " (wait failed)" : "");
  channel_->SetRunning(false);
}

}  // namespace zerozedev
