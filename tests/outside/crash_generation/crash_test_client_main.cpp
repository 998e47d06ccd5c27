// A client of the crash generation server for the process-level tests.
//   crash_test_client ROLE PIPE_NAME [LOG_NAME]
// Roles:
//   register-and-exit   register, print "registered", exit 0
//   request-dump        register, ask for a dump without crashing, exit 0
//                       when the server reported it done (4 otherwise)
//   segv | abort | fpe  register, install the crash handler, start two idle
//                       threads, then crash in CrashInNamedFunctionForTest
//                       with that signal
//   segv-in-thread      as segv, but on a thread of its own
//   segv-alone          as segv, without the idle threads
//   segv-then-upload    as segv; after the dump the handler sends an upload
//                       request whose entry 0 names LOG_NAME
// Exits 2 on a usage error, 3 when registration fails.

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/text.h"
#include "outside/crash_generation/client_crash_handler.h"
#include "outside/crash_generation/crash_generation_client.h"

namespace {

using google_breakpad::ClientCrashHandler;
using google_breakpad::CrashGenerationClient;
using google_breakpad::UploadPayload;

int* volatile g_nowhere = nullptr;
volatile int g_zero = 0;
volatile int g_one = 1;
volatile int g_sink = 0;

struct UploadOnCrash {
  CrashGenerationClient* client;
  UploadPayload payload;
};

void SendUploadAfterDump(void* context, bool /*dump_written*/) {
  auto* upload = static_cast<UploadOnCrash*>(context);
  upload->client->RequestUpload(upload->payload, 5000);
}

// The function the dump's backtrace must show. Its faults are the point,
// so the undefined-behaviour checks of sanitizer builds stay out of it and
// the real signals arrive.
__attribute__((noinline, no_sanitize("undefined"))) void CrashInNamedFunctionForTest(const std::string& how) {
  if (how == "abort") abort();
  if (how == "fpe") g_sink = g_one / g_zero;
  *g_nowhere = 42;
}

void StartIdleThreads() {
  for (int i = 0; i < 2; ++i) {
    std::thread([] {
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }).detach();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s ROLE PIPE_NAME [LOG_NAME]\n", argv[0]);
    return 2;
  }
  const std::string role = argv[1];
  CrashGenerationClient client(platform::Utf8ToUtf16(argv[2]), 0,
                               {{u"role", platform::Utf8ToUtf16(role)}, {u"build", u"test"}});
  if (!client.Register()) {
    fprintf(stderr, "registration failed\n");
    return 3;
  }
  if (role == "register-and-exit") {
    printf("registered\n");
    return 0;
  }
  if (role == "request-dump") return client.RequestDump(10000) ? 0 : 4;

  UploadOnCrash upload{&client, {}};
  const bool upload_after_dump = role == "segv-then-upload";
  if (upload_after_dump) {
    if (argc < 4) return 2;
    google_breakpad::SetUploadEntry(upload.payload, 0, u"log", platform::Utf8ToUtf16(argv[3]));
    google_breakpad::SetUploadEntry(upload.payload, 1, u"callstack_md5", u"0123456789abcdef");
  }
  ClientCrashHandler handler(&client, std::chrono::seconds(10),
                             upload_after_dump ? SendUploadAfterDump : nullptr, &upload);
  if (!handler.installed()) return 3;
  if (role == "segv-alone") CrashInNamedFunctionForTest("segv");
  StartIdleThreads();

  if (role == "segv" || role == "segv-then-upload") CrashInNamedFunctionForTest("segv");
  if (role == "segv-in-thread") {
    // The thread gets its own alternate stack, as a client's threads should.
    std::thread([] {
      ClientCrashHandler::InstallAlternateStack();
      CrashInNamedFunctionForTest("segv");
    }).join();
  }
  if (role == "abort") CrashInNamedFunctionForTest("abort");
  if (role == "fpe") CrashInNamedFunctionForTest("fpe");
  fprintf(stderr, "unknown role %s\n", role.c_str());
  return 2;
}
