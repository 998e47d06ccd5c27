#pragma once
// The out-of-process crash generation server. Clients register over a named
// pipe (a Unix stream socket here); when a registered client signals a dump
// request, the server writes a minidump of it into the dump folder; when it
// exits, the server says so; upload requests are handed to their callback.
// Callbacks run on the server's own threads, never on the caller's.

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "outside/crash_generation/client_info.h"
#include "outside/crash_generation/upload_payload.h"

namespace google_breakpad {

class CrashGenerationServer {
 public:
  using OnClientConnectedCallback = void (*)(void* context, const ClientInfo* client_info);
  // `file_path` is the dump's full path; null when the server does not
  // generate dumps itself.
  using OnClientDumpRequestCallback = void (*)(void* context, const ClientInfo* client_info,
                                               const std::u16string* file_path);
  using OnClientExitedCallback = void (*)(void* context, const ClientInfo* client_info);
  using OnClientUploadRequestCallback = void (*)(void* context, const ClientInfo* client_info,
                                                 const UploadPayload* payload);

  // Any callback may be null. `dump_path` is the folder dumps are written
  // to (copied; made absolute); it is required when `generate_dumps` is set.
  CrashGenerationServer(const std::u16string& pipe_name,
                        OnClientConnectedCallback connect_callback, void* connect_context,
                        OnClientDumpRequestCallback dump_callback, void* dump_context,
                        OnClientExitedCallback exit_callback, void* exit_context,
                        OnClientUploadRequestCallback upload_request_callback, void* upload_context,
                        bool generate_dumps, const std::u16string* dump_path);
  CrashGenerationServer(const CrashGenerationServer&) = delete;
  CrashGenerationServer& operator=(const CrashGenerationServer&) = delete;
  // Stops as Stop() does. Not from inside a callback: Stop() waits for the
  // callbacks in progress.
  ~CrashGenerationServer();

  // Starts listening. False when the pipe cannot be served (bad name, a live
  // server already on it, no resources), when dumps are to be generated
  // without a dump folder, or when already started.
  bool Start();

  // Stops accepting, removes the pipe, and waits for request handlers in
  // progress (an upload may be in flight) up to the stop bound. False when
  // handlers were still running at the bound: they are left to finish on
  // their own and keep what they use alive. Clients see the server gone.
  bool Stop();

  // Tuning, before Start(): how long a connected client may take to send
  // its whole request (and acknowledgement), and how long Stop() waits.
  void set_request_timeout(std::chrono::milliseconds timeout) { request_timeout_ = timeout; }
  void set_stop_timeout(std::chrono::milliseconds timeout) { stop_timeout_ = timeout; }

  struct Core;  // shared with the handler threads

 private:
  std::shared_ptr<Core> core_;
  std::thread dispatcher_;
  std::chrono::milliseconds request_timeout_{5000};
  std::chrono::milliseconds stop_timeout_{120000};
  bool started_ = false;
  bool stopped_ = false;
  bool stop_result_ = true;
};

}  // namespace google_breakpad
