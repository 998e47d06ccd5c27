#include "zerozedev/launcher_entry.h"

#include "platform/folders.h"
#include "platform/named_mutex.h"
#include "platform/text.h"
#include "zerozedev/launch_arguments.h"
#include "zerozedev/launcher_constants.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/log/stream_log.h"
#include "zerozedev/run_client.h"
#include "zerozedev/running_client_check.h"
#include "zerozedev/url_handoff.h"

namespace zerozedev {
namespace {

// Exit when the user keeps the running client: hand it the address, if any.
int HandOffToRunningClient(const std::u16string& command_line) {
  const auto prefix = FindUrlPrefix(command_line);
  if (!prefix) return 0;
  const auto handed = ForwardUrlToRunningClient(command_line.substr(*prefix + kUrlPrefix.size()));
  if (handed) return 0;
  // No log is open at this point.
  ZM_LOG_INFO(kLogTag, "wWinMain") << "cannot hand the address to the running client: "
                                   << handed.error().Describe();
  return 1;
}

}  // namespace

int wWinMain(const std::u16string& command_line) {
  if (!ShouldStartClient()) return HandOffToRunningClient(command_line);

  auto instance = platform::NamedMutex::Create(std::string(kInstanceMutexName), true);
  if (instance && instance->already_existed) return 0;
  // Without a mutex (its folder unusable) the launcher still serves the user:
  // it goes on as the only instance rather than refusing to start.
  if (instance) instance->mutex.WaitForever();

  LauncherLog::Instance().Open(std::string(kLauncherLogName));

  if (auto folder = platform::OwnExecutableFolder()) platform::SetCurrentDirectory(*folder);

  const std::u16string arguments = LaunchArgumentText(command_line);
  ZM_LOG_INFO(kLogTag, "wWinMain") << "class path: " << std::u16string(kClientExeName);
  ZM_LOG_INFO(kLogTag, "wWinMain") << "par: " << arguments;

  RunClient(arguments);

  if (instance) instance->mutex.Release();
  return 0;
}

}  // namespace zerozedev
