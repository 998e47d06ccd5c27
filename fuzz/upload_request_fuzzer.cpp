// The payload of a client's upload request, as the launcher reads it: the
// log name that names the files it renames and packs, and the fields it
// posts. Entries are built so that most texts end inside their arrays.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/support/fuzz_check.h"
#include "platform/text.h"
#include "zerozedev/crash/crash_names.h"
#include "zerozedev/crash/upload_request.h"

using namespace google_breakpad;
namespace fs = std::filesystem;

namespace {

// Units from the input; unless `unterminated`, the text ends before the
// array does.
void FillUnits(FuzzedDataProvider& input, char16_t* units, std::size_t capacity) {
  const bool unterminated = input.ConsumeIntegralInRange<int>(0, 15) == 0;
  const std::size_t length = unterminated ? capacity : input.ConsumeIntegralInRange<std::size_t>(0, capacity - 1);
  const std::string bytes = input.ConsumeBytesAsString(2 * length);
  std::size_t i = 0;
  for (; 2 * i + 1 < bytes.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  if (!unterminated && i < capacity) units[i] = u'\0';
}

// Whether `name` joined to a folder names something inside that folder.
bool JoinsInside(std::u16string_view name) {
  const fs::path folder = "/dumps/client";
  const fs::path joined = (folder / platform::Utf16ToUtf8(name)).lexically_normal();
  const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), joined.begin(), joined.end());
  return end == folder.end() && rest != joined.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  UploadPayload payload;
  payload.count = input.ConsumeIntegralInRange<std::uint32_t>(0, kUploadEntryCount + 1);
  for (UploadEntry& entry : payload.entries) {
    if (input.remaining_bytes() == 0) break;
    FillUnits(input, entry.name, kUploadNameLength);
    FillUnits(input, entry.value, kUploadValueLength);
  }

  const UploadRequestText request = ReadUploadRequest(payload);
  if (request.refusal == UploadRequestText::Refusal::kUnreadable) {
    FUZZ_CHECK(!IsWellFormed(payload) || payload.count == 0);
    return 0;
  }
  FUZZ_CHECK(request.log_name == TerminatedText(payload.entries[0].value, kUploadValueLength).value());
  if (request.refusal != UploadRequestText::Refusal::kNone) return 0;
  // The launcher renames the dump to the crash name and packs the log: both
  // inside the dump's folder, and never the same file.
  FUZZ_CHECK(JoinsInside(request.log_name));
  FUZZ_CHECK(JoinsInside(request.crash_name));
  FUZZ_CHECK(request.crash_name != request.log_name);
  // The last "url" entry names the endpoint, even an empty one (its post
  // then fails and is logged as failed); without one, the default.
  std::u16string_view url = kDefaultCrashReportUrl;
  for (std::size_t i = 1; i < payload.count; ++i) {
    if (TerminatedText(payload.entries[i].name, kUploadNameLength) == u"url") {
      url = TerminatedText(payload.entries[i].value, kUploadValueLength).value();
    }
  }
  FUZZ_CHECK(request.url == url);
  FUZZ_CHECK(request.form_fields.count(u"platform") == 1);
  return 0;
}
