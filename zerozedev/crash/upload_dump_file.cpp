#include "zerozedev/crash/upload_dump_file.h"

#include "platform/text.h"
#include "zerozedev/crash/calendar_clock.h"
#include "zerozedev/crash/multipart_post.h"
#include "zerozedev/crash/upload_checkpoint.h"
#include "zerozedev/log/launcher_log.h"

namespace google_breakpad {
namespace {

constexpr const char* kLogTag = "zerozedev";
constexpr const char* kFunction = "google_breakpad::UploadDumpFile";

std::map<std::string, std::string> ToUtf8(const UploadFields& fields) {
  std::map<std::string, std::string> converted;
  for (const auto& [name, value] : fields) {
    converted[platform::Utf16ToUtf8(name)] = platform::Utf16ToUtf8(value);
  }
  return converted;
}

}  // namespace

bool UploadDumpFile(const std::u16string& url, const UploadFields& form_fields, const UploadFields& files) {
  const UploadCounters before = ReadCheckpoint(kCheckpointFileName);
  const int today = DateNumber(UtcNow());

  const std::string address = platform::Utf16ToUtf8(url);
  const MultipartPostResult posted = PostMultipart(address, ToUtf8(form_fields), ToUtf8(files));
  if (posted.answered && posted.status == 200) {
    WriteCheckpoint(kCheckpointFileName, CountUpload(before, today));
    LauncherLog::Instance().Write(4, kLogTag, __LINE__, kFunction, "send dump succeeded");
    return true;
  }
  if (posted.answered) {
    LauncherLog::Instance().Write(4, kLogTag, __LINE__, kFunction, "%s answered HTTP %ld", address.c_str(),
                                  posted.status);
  } else {
    LauncherLog::Instance().Write(4, kLogTag, __LINE__, kFunction, "%s: %s", address.c_str(),
                                  posted.error.c_str());
  }
  LauncherLog::Instance().Write(4, kLogTag, __LINE__, kFunction, "send dump failed");
  return false;
}

}  // namespace google_breakpad
