#pragma once
// The launcher's crash server for the classroom client: one per process,
// started by the client run and stopped at its end. Clients register on the
// crash server pipe; a client's dump goes into the crash folder, its exit
// reaches the process manager, and its upload requests are packed and
// posted (upload_request.h). Callbacks run on the server's threads.

#include <chrono>
#include <string>

#include "outside/crash_generation/client_info.h"
#include "outside/crash_generation/upload_payload.h"

namespace zerozedev {
class CefProcessManager;
}

namespace google_breakpad {

// Sets up the crash folder and starts the server with `context` as the
// target of the client notices. Does nothing while a server exists; logs and
// leaves the launcher without a server when the folder cannot be created or
// the pipe cannot be served.
void CrashServerStart(zerozedev::CefProcessManager* context, const std::u16string& pipe_name);

// Stops and destroys the server, waiting for request handlers in progress (an
// upload may be in flight) up to the stop bound; logs when it gives up on
// them. Once this returns nothing reaches `context` any more, so the manager
// may go. Does nothing without a server.
void CrashServerStop();

bool CrashServerRunning();

// The folder dumps are written to: set by the last CrashServerStart, the
// fallback folder before that.
std::u16string CrashFolder();

// How long CrashServerStop waits for handlers; two minutes unless a test
// changes it. Applies to servers started afterwards.
void SetCrashServerStopTimeoutForTesting(std::chrono::milliseconds timeout);

// The server's callbacks; `context` is the server's CrashContext.
void OnClientConnected(void* context, const ClientInfo* client_info);
void OnClientCrashed(void* context, const ClientInfo* client_info, const std::u16string* dump_path);
void OnClientExited(void* context, const ClientInfo* client_info);
void OnClientUploadRequest(void* context, const ClientInfo* client_info, const UploadPayload* payload);

}  // namespace google_breakpad
