#include "zerozedev/run_client.h"

#include <memory>
#include <string>

#include "platform/text.h"
#include "zerozedev/crash/crash_server.h"
#include "zerozedev/launcher_constants.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/log/stream_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/process/cef_process_manager.h"
#include "zerozedev/process/client_command_line.h"
#include "zerozedev/process/heartbeat_monitor.h"
#include "zerozedev/update/apply_pending_update.h"
#include "zerozedev/update/install_update_package.h"

namespace zerozedev {
namespace {

// The client's command line is UTF-8 throughout. Cutting each UTF-16 unit to
// its low byte would garble any non-ASCII word (a room name in an address),
// so the narrow forms here are proper UTF-8; ASCII text is the same either way.
std::string Narrow(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

}  // namespace

ClientCommandLine BuildClientCommandLine(const std::u16string& launch_arguments,
                                         const std::string& pipe_name) {
  ClientCommandLine command_line;
  const std::string text = Narrow(kClientExeName) + " " + Narrow(launch_arguments) + " ";
  command_line.AddArgs(ClientCommandLine::SplitTokens(text, " "));
  command_line.AddSwitch("host", pipe_name);
  command_line.AddSwitch("crash_server", Narrow(kCrashServerPipe));
  return command_line;
}

void RunClient(const std::u16string& launch_arguments) {
  ApplyPendingUpdate();
  InstallUpdatePackage();

  auto channel = std::make_shared<CefPipeChannel>();
  LAUNCHER_LOG(kLogTag, "wWinMain", "Create cef pipe");
  if (channel->CreateCefPipe()) {
    LAUNCHER_LOG(kLogTag, "wWinMain", "After create cef pipe");
  } else {
    // The class opens all the same: the client gets an empty "host" and is
    // watched through its process alone.
    LAUNCHER_LOG(kLogTag, "wWinMain", "Create cef pipe error");
    ZM_LOG_INFO(kLogTag, "wWinMain") << "Create cef pipe error: " << channel->PipeFailure()
                                     << "; the client is started without it";
  }
  channel->SetRunning(true);

  const ClientCommandLine command_line = BuildClientCommandLine(launch_arguments, channel->GetPipeName());
  auto manager = std::make_unique<CefProcessManager>(command_line, channel);

  google_breakpad::CrashServerStart(manager.get(), std::u16string(kCrashServerPipe));
  manager->RunProcessOnce();

  HeartbeatMonitor monitor(channel);
  monitor.Start();
  monitor.Join();

  // The server goes first: once it has stopped no callback can reach the
  // manager, and an upload still in flight has been waited for.
  google_breakpad::CrashServerStop();
  manager.reset();
  channel.reset();
  LAUNCHER_LOG(kLogTag, "wWinMain", "Client run over");
}

}  // namespace zerozedev
