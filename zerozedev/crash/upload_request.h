#pragma once
// A client's upload request: its dump is renamed after its log, both are
// packed into a zip in the dump's folder, and the package is posted with the
// request's fields. A call stack already reported in this launcher run is
// packed but not posted again.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outside/crash_generation/upload_payload.h"
#include "zerozedev/crash/upload_dump_file.h"

namespace google_breakpad {

// Where packages go unless the request names its own "url".
inline constexpr std::u16string_view kDefaultCrashReportUrl = u"http://crash.veska.invalid/crashReport";

// What a request asks for, read from its payload alone.
struct UploadRequestText {
  enum class Refusal {
    kNone,
    kUnreadable,    // malformed, or without entries
    kLeavesFolder,  // the log name is absolute or climbs out of the dump folder
    kNoCrashName,   // the log name gives no dump name
  };
  Refusal refusal = Refusal::kNone;
  std::u16string log_name;    // entry 0's value, once the payload is readable
  std::u16string crash_name;  // the dump's new name, for a request not refused
  std::u16string url;
  // Every "callstack_md5" value, in payload order.
  std::vector<std::u16string> callstack_digests;
  UploadFields form_fields;
};

UploadRequestText ReadUploadRequest(const UploadPayload& payload);

class UploadRequestHandler {
 public:
  // `last_dump_path` is the full path of the dump last written for the
  // client; its folder holds the client's log named by entry 0. A request
  // without a dump path, without entries, or whose log name is absolute or
  // climbs out of that folder touches no file and posts nothing.
  void Handle(const std::u16string& last_dump_path, const UploadPayload& payload);

 private:
  // Requests are handled one at a time, so the remembered digest and the
  // checkpoint file see one writer.
  std::mutex mutex_;
  std::u16string remembered_digest_;  // the first "callstack_md5" seen
};

// The launcher's handler, with one remembered digest for the process.
void HandleUploadRequest(const std::u16string& last_dump_path, const UploadPayload& payload);

}  // namespace google_breakpad
