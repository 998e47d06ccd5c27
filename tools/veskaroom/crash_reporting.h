#pragma once
// The client's side of crash reporting: registration with the launcher's
// crash server, a real crash with the in-process handler, dumps asked for
// while running, and upload requests. The client's log, named by an upload,
// is written into the crash folder where the launcher looks for it.

#include <memory>
#include <string>

#include "tools/veskaroom/event_record.h"
#include "tools/veskaroom/upload_fields.h"

namespace google_breakpad {
class ClientCrashHandler;
class CrashGenerationClient;
}  // namespace google_breakpad

class CrashReporting {
 public:
  explicit CrashReporting(EventRecord& record);
  ~CrashReporting();
  CrashReporting(const CrashReporting&) = delete;
  CrashReporting& operator=(const CrashReporting&) = delete;

  // Registers with the server on `pipe_name` and installs the crash handler.
  bool Register(const std::string& pipe_name, std::string& failure);
  bool registered() const { return handler_ != nullptr; }

  // A dump of the running client; true once the server has written it.
  bool RequestDump();
  // Writes the log the request names, then sends the request.
  bool SendUpload(const ParsedUpload& upload);
  // The upload the crash handler sends right after the crash's dump.
  void ArmUploadAfterCrash(const ParsedUpload& upload);
  // Faults in CrashInClassroomClient; does not return.
  [[noreturn]] void Crash();

 private:
  static void AfterDump(void* context, bool dump_written);
  void WriteClientLog(const std::string& log_name);

  EventRecord& record_;
  std::unique_ptr<google_breakpad::CrashGenerationClient> client_;
  std::unique_ptr<google_breakpad::ClientCrashHandler> handler_;
  // Prepared before the crash: the signal handler may not allocate.
  google_breakpad::UploadPayload upload_after_crash_{};
  bool upload_armed_ = false;
};
