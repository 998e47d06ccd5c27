#pragma once
// The in-process crash handler of a client: on SIGSEGV, SIGABRT, SIGFPE,
// SIGILL or SIGBUS it stores the crashing thread's context, asks the server
// for a dump, waits for it (bounded), runs an optional after-dump callback
// and then lets the process die by the signal it received.

#include <signal.h>

#include <chrono>

#include "outside/crash_generation/crash_generation_client.h"

namespace google_breakpad {

class ClientCrashHandler {
 public:
  // Runs inside the signal handler: async-signal-safe code only (such as
  // CrashGenerationClient::RequestUpload with a payload prepared earlier).
  using AfterDumpCallback = void (*)(void* context, bool dump_written);

  // One handler per process. `client` must outlive the handler. The calling
  // thread gets an alternate signal stack, so that a stack overflow there is
  // reported too; other threads may call InstallAlternateStack().
  ClientCrashHandler(CrashGenerationClient* client, std::chrono::milliseconds dump_wait,
                     AfterDumpCallback after_dump = nullptr, void* after_dump_context = nullptr);
  ClientCrashHandler(const ClientCrashHandler&) = delete;
  ClientCrashHandler& operator=(const ClientCrashHandler&) = delete;
  // Puts back the dispositions that were there before.
  ~ClientCrashHandler();

  // False when another handler was already installed in this process.
  bool installed() const { return installed_; }

  static bool InstallAlternateStack();

 private:
  static void HandleSignal(int signal_number, siginfo_t* info, void* ucontext);
  void Report(int signal_number, const siginfo_t* info, const void* ucontext);

  CrashGenerationClient* client_;
  int dump_wait_ms_;
  AfterDumpCallback after_dump_;
  void* after_dump_context_;
  bool installed_ = false;
};

}  // namespace google_breakpad
