// "crash.checkpoint" as the launcher finds it before an upload, and the count
// it writes back after a successful one.

#include <cstdint>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "zerozedev/crash/upload_checkpoint.h"

using google_breakpad::UploadCounters;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = (fuzz::ScratchRoot() / google_breakpad::kCheckpointFileName).string();
  fuzz::WriteFile(path, data, size);

  const UploadCounters read = google_breakpad::ReadCheckpoint(path);
  // The file reader takes the first 4096 bytes and reads them as text.
  const std::string_view text(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096);
  FUZZ_CHECK(read == google_breakpad::ParseCheckpoint(text));

  constexpr int kToday = 20230315;
  const UploadCounters counted = google_breakpad::CountUpload(read, kToday);
  FUZZ_CHECK(counted.last_date == kToday);
  // A new day starts counting at 1; the file's own count may be anything.
  FUZZ_CHECK(read.last_date == kToday || counted.uploads == 1);
  FUZZ_CHECK(google_breakpad::WriteCheckpoint(path, counted));
  FUZZ_CHECK(google_breakpad::ReadCheckpoint(path) == counted);
  return 0;
}
