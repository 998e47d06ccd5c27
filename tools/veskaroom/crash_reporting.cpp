#include "tools/veskaroom/crash_reporting.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/folders.h"
#include "platform/text.h"
#include "tools/veskaroom/escaped_text.h"
#include "outside/crash_generation/client_crash_handler.h"
#include "outside/crash_generation/crash_generation_client.h"

namespace {

constexpr int kDumpWaitMs = 20000;
constexpr int kUploadSendMs = 5000;
constexpr uint32_t kDumpTypeNormal = 0;

}  // namespace

// A plain null write, so that the dump shows a fault in a function of this
// program's own. UBSan would stop at the null access itself, before the
// fault the crash handler is there to report.
extern "C" [[gnu::noinline]] __attribute__((no_sanitize("undefined"))) void CrashInClassroomClient() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
  std::abort();  // not reached: the write above faults
}

CrashReporting::CrashReporting(EventRecord& record) : record_(record) {}
CrashReporting::~CrashReporting() = default;

bool CrashReporting::Register(const std::string& pipe_name, std::string& failure) {
  auto client = std::make_unique<google_breakpad::CrashGenerationClient>(platform::Utf8ToUtf16(pipe_name),
                                                                        kDumpTypeNormal);
  if (!client->Register()) {
    failure = "registration with " + pipe_name + " failed";
    return false;
  }
  auto handler = std::make_unique<google_breakpad::ClientCrashHandler>(
      client.get(), std::chrono::milliseconds(kDumpWaitMs), &CrashReporting::AfterDump, this);
  if (!handler->installed()) {
    failure = "another crash handler is installed";
    return false;
  }
  client_ = std::move(client);
  handler_ = std::move(handler);
  return true;
}

bool CrashReporting::RequestDump() { return client_ && client_->RequestDump(kDumpWaitMs); }

bool CrashReporting::SendUpload(const ParsedUpload& upload) {
  WriteClientLog(upload.log_name);
  return client_ && client_->RequestUpload(upload.payload, kUploadSendMs);
}

void CrashReporting::ArmUploadAfterCrash(const ParsedUpload& upload) {
  WriteClientLog(upload.log_name);
  upload_after_crash_ = upload.payload;
  upload_armed_ = true;
}

void CrashReporting::Crash() {
  record_.Write("crashing");
  CrashInClassroomClient();
  std::abort();
}

void CrashReporting::AfterDump(void* context, bool dump_written) {
  auto* self = static_cast<CrashReporting*>(context);
  // Signal context: no allocation, no locks; the record is not written here.
  if (dump_written && self->upload_armed_) self->client_->RequestUpload(self->upload_after_crash_, kUploadSendMs);
}

void CrashReporting::WriteClientLog(const std::string& log_name) {
  // The launcher packs the log from the folder it writes dumps to.
  // A name that leaves the folder is for probing the launcher's refusal; the
  // client itself writes nothing outside the crash folder.
  const std::filesystem::path name(log_name);
  if (log_name.empty() || name.is_absolute() || log_name.find("..") != std::string::npos) return;
  auto data = platform::LocalAppDataFolder();
  if (!data) return;
  const std::filesystem::path path = std::filesystem::path(*data) / "trvo" / "crash" / name;
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream log(path, std::ios::app);
  log << "veskaroom.exe client log\n";
  record_.Write("wrote log " + EscapeForRecord(path.string()));
}
