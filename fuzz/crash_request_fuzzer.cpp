// A request on the crash server's pipe: the fixed-size message decoded and
// checked before anything in it is served. A shorter input stands for a
// message whose remaining bytes are zero.

#include <algorithm>
#include <cstdint>

#include "fuzz/support/fuzz_check.h"
#include "outside/crash_generation/crash_message.h"
#include "zerozedev/crash/upload_request.h"

using namespace google_breakpad;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CrashMessageBytes bytes{};
  std::copy_n(data, std::min(size, bytes.size()), bytes.begin());
  const CrashMessage request = DecodeCrashMessage(bytes);
  FUZZ_CHECK(EncodeCrashMessage(request) == bytes);

  const RequestVerdict verdict = CheckRequest(request);
  if (verdict != RequestVerdict::kServable) return 0;
  FUZZ_CHECK(request.tag == kRegistrationRequest || request.tag == kUploadRequest);
  if (request.tag != kUploadRequest) return 0;
  // What the server hands the launcher is readable to its last entry.
  FUZZ_CHECK(IsWellFormed(request.upload));
  for (std::size_t i = 0; i < request.upload.count; ++i) {
    FUZZ_CHECK(TerminatedText(request.upload.entries[i].name, kUploadNameLength).has_value());
    FUZZ_CHECK(TerminatedText(request.upload.entries[i].value, kUploadValueLength).has_value());
  }
  const UploadRequestText read = ReadUploadRequest(request.upload);
  FUZZ_CHECK((read.refusal == UploadRequestText::Refusal::kUnreadable) == (request.upload.count == 0));
  return 0;
}
