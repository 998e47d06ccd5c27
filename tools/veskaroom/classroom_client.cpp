#include "tools/veskaroom/classroom_client.h"

#include <chrono>
#include <optional>

#include "tools/veskaroom/client_life.h"
#include "tools/veskaroom/client_version.h"
#include "tools/veskaroom/crash_reporting.h"
#include "tools/veskaroom/escaped_text.h"
#include "tools/veskaroom/event_record.h"
#include "tools/veskaroom/handoff_server.h"
#include "tools/veskaroom/heartbeat_sender.h"
#include "tools/veskaroom/launcher_link.h"
#include "tools/veskaroom/updater_start.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kExitNoLauncher = 3;

// Runs the steps in order; returns an exit code when a step ends the client.
std::optional<int> RunScript(const ClientOptions& options, LauncherLink& link, ClientLife& life,
                             CrashReporting& crash, EventRecord& record) {
  for (const ScriptStep& step : options.script) {
    if (life.Ended()) break;
    switch (step.kind) {
      case ScriptStep::Kind::kSendUrl:
        link.SendUrl(step.text);
        record.Write("sent url " + EscapeForRecord(step.text));
        break;
      case ScriptStep::Kind::kWait:
        life.WaitForEnd(milliseconds(step.number));
        break;
      case ScriptStep::Kind::kExitRequest:
        link.SendExitRequest();
        record.Write("sent exit_request");
        break;
      case ScriptStep::Kind::kQuit:
        return static_cast<int>(step.number);
      case ScriptStep::Kind::kDump:
        record.Write(crash.RequestDump() ? "dump written" : "dump failed");
        break;
      case ScriptStep::Kind::kUpload: {
        const ParsedUpload upload = ParseUploadFields(step.text);
        record.Write((crash.SendUpload(upload) ? "sent upload " : "upload failed ") +
                     EscapeForRecord(upload.log_name));
        break;
      }
      case ScriptStep::Kind::kCrashUpload:
        crash.ArmUploadAfterCrash(ParseUploadFields(step.text));
        record.Write("armed crash_upload");
        break;
      case ScriptStep::Kind::kUpdate:
        RunUpdater(step.text, record);
        break;
      case ScriptStep::Kind::kCrash:
        crash.Crash();
    }
  }
  return std::nullopt;
}

}  // namespace

int RunClassroomClient(const ClientOptions& options) {
  const auto started = Clock::now();
  EventRecord record(options.record_path);
  record.Write("start host=" + EscapeForRecord(options.host) +
               " crash_server=" + EscapeForRecord(options.crash_server) +
               " url=" + EscapeForRecord(options.url));
  if (const auto version = InstalledClientVersion()) record.Write("version " + EscapeForRecord(*version));
  for (const std::string& word : options.words) record.Write("word " + EscapeForRecord(word));

  HandoffServer handoff(record);
  if (options.serve_handoff) {
    std::string failure;
    if (!handoff.Start(failure)) record.Write("handoff_unavailable " + EscapeForRecord(failure));
  }

  CrashReporting crash(record);
  if (!options.crash_server.empty()) {
    std::string failure;
    record.Write(crash.Register(options.crash_server, failure)
                     ? std::string("crash_registered")
                     : "crash_register_failed " + EscapeForRecord(failure));
  }

  ClientLife life;
  LauncherLink link(record, life);
  int exit_code = 0;
  if (!options.host.empty()) {
    std::string failure;
    if (!link.Connect(options.host, failure)) {
      record.Write("connect_failed " + EscapeForRecord(failure));
      exit_code = kExitNoLauncher;
    } else {
      record.Write("connected");
    }
  }

  if (exit_code == 0) {
    HeartbeatSender heartbeats(link, options.host.empty() ? milliseconds(0)
                                                          : milliseconds(options.heartbeat_ms));
    if (auto quit = RunScript(options, link, life, crash, record)) {
      exit_code = *quit;
    } else {
      const auto deadline = started + milliseconds(options.lifetime_ms);
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (!life.WaitForEnd(left.count() > 0 ? left : milliseconds(0))) {
        record.Write("lifetime_over");
      }
    }
    heartbeats.Stop();
  }
  link.Close();
  handoff.Stop();
  record.Write("exit " + std::to_string(exit_code));
  return exit_code;
}
