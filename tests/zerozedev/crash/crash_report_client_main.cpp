// A classroom client as the crash server sees it, for the crash reporting
// tests. Started by a test directly or by the process manager (which appends
// its own -key=value switches; only -crash_server is used).
//
//   crash_report_client ROLE [NAME=VALUE ...] -crash_server=PIPE
//
// The NAME=VALUE words are the upload payload's entries in order; entry 0's
// value names the client's log file.
// Roles:
//   register-and-exit   register, then exit 0
//   crash-then-upload   register, start an idle thread, crash (SIGSEGV); once
//                       the dump is written the crash handler sends the
//                       upload request
//   upload              send the upload request without registering, exit 0
// Exits 2 on a usage error, 3 when the server cannot be reached.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "platform/text.h"
#include "outside/crash_generation/client_crash_handler.h"
#include "outside/crash_generation/crash_generation_client.h"

namespace {

using google_breakpad::CrashGenerationClient;
using google_breakpad::UploadPayload;

constexpr int kSendTimeoutMs = 5000;

struct UploadOnCrash {
  CrashGenerationClient* client;
  UploadPayload payload;
};

void SendUploadAfterDump(void* context, bool /*dump_written*/) {
  auto* upload = static_cast<UploadOnCrash*>(context);
  upload->client->RequestUpload(upload->payload, kSendTimeoutMs);
}

int* volatile g_nowhere = nullptr;

// The fault is the point: the undefined-behaviour checker must let it happen.
__attribute__((noinline, no_sanitize("undefined"))) void CrashForUpload() { *g_nowhere = 7; }

}  // namespace

int main(int argc, char** argv) {
  std::string role;
  std::string pipe_name;
  UploadPayload payload;
  size_t entry = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto equals = arg.find('=');
    if (arg.starts_with("-")) {
      if (arg.substr(0, equals) == "-crash_server") pipe_name = std::string(arg.substr(equals + 1));
    } else if (role.empty()) {
      role = std::string(arg);
    } else if (equals == std::string_view::npos ||
               !google_breakpad::SetUploadEntry(payload, entry++,
                                                platform::Utf8ToUtf16(arg.substr(0, equals)),
                                                platform::Utf8ToUtf16(arg.substr(equals + 1)))) {
      std::fprintf(stderr, "bad entry %s\n", argv[i]);
      return 2;
    }
  }
  if (role.empty() || pipe_name.empty()) {
    std::fprintf(stderr, "usage: %s ROLE [NAME=VALUE ...] -crash_server=PIPE\n", argv[0]);
    return 2;
  }

  CrashGenerationClient client(platform::Utf8ToUtf16(pipe_name), 0);
  if (role == "upload") return client.RequestUpload(payload, kSendTimeoutMs) ? 0 : 3;
  if (!client.Register()) {
    std::fprintf(stderr, "registration failed\n");
    return 3;
  }
  if (role == "register-and-exit") return 0;
  if (role == "crash-then-upload") {
    // Like any real client, more threads than the one that crashes: the
    // server dumps the others stopped and the crashing one from its handler.
    std::thread([] {
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }).detach();
    UploadOnCrash upload{&client, payload};
    google_breakpad::ClientCrashHandler handler(&client, std::chrono::seconds(10), SendUploadAfterDump, &upload);
    if (!handler.installed()) return 3;
    CrashForUpload();
  }
  std::fprintf(stderr, "unknown role %s\n", role.c_str());
  return 2;
}
