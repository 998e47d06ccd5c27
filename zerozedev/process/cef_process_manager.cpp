#include "zerozedev/process/cef_process_manager.h"

#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/log/stream_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/process/client_process_watch.h"
#include "zerozedev/process/stray_clients.h"

namespace zerozedev {
namespace {

constexpr const char* kLogTag = "cefprocessmanager";
constexpr const char* kRunFunction = "CefProcessManager::RunProcessOnce";
constexpr std::string_view kClientExeName = "veskaroom.exe";

std::string LauncherFolder() {
  auto folder = platform::OwnExecutableFolder();
  return folder ? *folder : std::string();
}

}  // namespace

CefProcessManager::CefProcessManager(ClientCommandLine command_line,
                                     std::shared_ptr<CefPipeChannel> channel,
                                     std::string program_folder)
    : command_line_(std::move(command_line)),
      channel_(std::move(channel)),
      program_folder_(program_folder.empty() ? LauncherFolder() : std::move(program_folder)) {}

CefProcessManager::~CefProcessManager() = default;

void CefProcessManager::RunProcessOnce() {
  const std::string url = channel_->GetLatestUrl();
  LauncherLog::Instance().Write(4, kLogTag, __LINE__, kRunFunction, "url:%s", url.c_str());
  if (!url.empty()) {
    command_line_.RemoveSwitch("url");
    command_line_.AddSwitch("url", url);
  }
  std::string line = command_line_.RenderUtf8();
  channel_->ClearHeartbeatSeen();
  TerminateStrayClients(kClientExeName);

  if (!platform::IsValidUtf8(line)) {
    line = platform::ReplaceInvalidUtf8(line);
    LauncherLog::Instance().Write(4, kLogTag, __LINE__, kRunFunction,
                                  "command line is not valid UTF-8, launched with U+FFFD in "
                                  "place of the broken bytes: %s",
                                  line.c_str());
  }
  // A previous launch's watch must not report on the new client's behalf.
  watch_.reset();
  platform::SpawnOptions options;
  if (!program_folder_.empty()) options.search_folders.push_back(program_folder_);
  auto client = platform::Spawn(line, options);
  if (!client) {
    ZM_LOG_INFO(kLogTag, kRunFunction) << "Create cef process error";
    LauncherLog::Instance().Write(4, kLogTag, __LINE__, kRunFunction, "%s",
                                  client.error().Describe().c_str());
    channel_->SetRunning(false);
    return;
  }
  channel_->ClearHeartbeatSeen();
  client_process_id_ = static_cast<std::uint32_t>(client->pid());
  channel_->SetRunning(true);
  watch_ = std::make_unique<ClientProcessWatch>(std::move(*client), channel_);
}

void CefProcessManager::HandleClientExit(std::uint32_t process_id) {
  channel_->ClearHeartbeatSeen();
  const std::uint32_t client = client_process_id_.load();
  if (client != 0 && process_id == client) channel_->SetRunning(false);
}

void CefProcessManager::SetLastDumpPath(std::u16string path) {
  std::lock_guard lock(dump_path_mutex_);
  last_dump_path_ = std::move(path);
}

std::u16string CefProcessManager::LastDumpPath() const {
  std::lock_guard lock(dump_path_mutex_);
  return last_dump_path_;
}

}  // namespace zerozedev
