#include "zerozedev/crash/crash_server.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/text.h"
#include "zerozedev/crash/crash_context.h"
#include "zerozedev/crash/crash_folder.h"
#include "zerozedev/crash/upload_request.h"
#include "outside/crash_generation/crash_generation_server.h"
#include "zerozedev/log/launcher_log.h"

namespace google_breakpad {
namespace {

constexpr const char* kLogTag = "zerozedev";
constexpr std::chrono::milliseconds kDefaultStopTimeout{120000};

struct Hosting {
  std::mutex mutex;
  std::unique_ptr<CrashGenerationServer> server;
  std::unique_ptr<CrashContext> context;
  // Contexts of servers whose handlers outlived the stop bound: detached,
  // and kept because those handlers still hold them.
  std::vector<std::unique_ptr<CrashContext>> outlived_contexts;
  std::u16string crash_folder = FallbackCrashFolder();
  std::chrono::milliseconds stop_timeout = kDefaultStopTimeout;
};

// Never destroyed: server threads may run while the process ends.
Hosting& State() {
  static Hosting* const hosting = new Hosting();
  return *hosting;
}

CrashContext& ContextOf(void* context) { return *static_cast<CrashContext*>(context); }

}  // namespace

void CrashServerStart(zerozedev::CefProcessManager* context, const std::u16string& pipe_name) {
  constexpr const char* kFunction = "google_breakpad::CrashServerStart";
  Hosting& hosting = State();
  std::lock_guard lock(hosting.mutex);
  if (hosting.server) return;

  std::u16string local = LocalCrashFolder();
  hosting.crash_folder = local.empty() ? FallbackCrashFolder() : std::move(local);
  const std::u16string& crash_folder = hosting.crash_folder;
  if (!MakeCrashFolder(crash_folder)) {
    LAUNCHER_LOG(kLogTag, kFunction, "Unable to create dump directory, %s",
                 platform::Utf16ToAnsi(crash_folder).c_str());
    return;
  }

  auto server_context = std::make_unique<CrashContext>(context);
  auto server = std::make_unique<CrashGenerationServer>(
      pipe_name, OnClientConnected, nullptr, OnClientCrashed, server_context.get(), OnClientExited,
      server_context.get(), OnClientUploadRequest, server_context.get(), true, &crash_folder);
  server->set_stop_timeout(hosting.stop_timeout);
  if (!server->Start()) {
    LAUNCHER_LOG(kLogTag, kFunction, "Unable to start server");
    return;
  }
  hosting.server = std::move(server);
  hosting.context = std::move(server_context);
}

void CrashServerStop() {
  Hosting& hosting = State();
  std::lock_guard lock(hosting.mutex);
  if (!hosting.server) return;
  const bool handlers_done = hosting.server->Stop();
  hosting.server.reset();
  hosting.context->Detach();
  if (handlers_done) {
    hosting.context.reset();
    return;
  }
  LAUNCHER_LOG(kLogTag, "google_breakpad::CrashServerStop",
               "crash server stopped after %lld ms with request handlers still running",
               static_cast<long long>(hosting.stop_timeout.count()));
  hosting.outlived_contexts.push_back(std::move(hosting.context));
}

bool CrashServerRunning() {
  Hosting& hosting = State();
  std::lock_guard lock(hosting.mutex);
  return hosting.server != nullptr;
}

std::u16string CrashFolder() {
  Hosting& hosting = State();
  std::lock_guard lock(hosting.mutex);
  return hosting.crash_folder;
}

void SetCrashServerStopTimeoutForTesting(std::chrono::milliseconds timeout) {
  Hosting& hosting = State();
  std::lock_guard lock(hosting.mutex);
  hosting.stop_timeout = timeout;
}

void OnClientConnected(void* /*context*/, const ClientInfo* client_info) {
  LAUNCHER_LOG(kLogTag, "google_breakpad::OnClientConnected", "Client connected:%d", client_info->pid());
}

void OnClientCrashed(void* context, const ClientInfo* client_info, const std::u16string* dump_path) {
  LAUNCHER_LOG(kLogTag, "google_breakpad::OnClientCrashed", "Client requested dump:%d", client_info->pid());
  // Kept for the client's upload request, which packs this dump.
  if (dump_path != nullptr) ContextOf(context).SetLastDumpPath(*dump_path);
}

void OnClientExited(void* context, const ClientInfo* client_info) {
  LAUNCHER_LOG(kLogTag, "google_breakpad::OnClientExited", "Client exited:%d", client_info->pid());
  ContextOf(context).OnClientExited(static_cast<std::uint32_t>(client_info->pid()));
}

void OnClientUploadRequest(void* context, const ClientInfo* /*client_info*/, const UploadPayload* payload) {
  HandleUploadRequest(ContextOf(context).LastDumpPath(), *payload);
}

}  // namespace google_breakpad
