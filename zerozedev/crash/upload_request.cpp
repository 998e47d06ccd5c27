#include "zerozedev/crash/upload_request.h"

#include "platform/shared_file.h"
#include "platform/text.h"
#include "zerozedev/crash/calendar_clock.h"
#include "zerozedev/crash/crash_names.h"
#include "zerozedev/crash/crash_package.h"
#include "zerozedev/crash/upload_dump_file.h"
#include "zerozedev/log/launcher_log.h"

namespace google_breakpad {
namespace {

constexpr const char* kLogTag = "zerozedev";
constexpr const char* kFunction = "google_breakpad::HandleUploadRequest";

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

std::u16string EntryName(const UploadPayload& payload, std::size_t index) {
  const UploadEntry& entry = payload.entries[index];
  return std::u16string(TerminatedText(entry.name, kUploadNameLength).value_or(u""));
}

std::u16string EntryValue(const UploadPayload& payload, std::size_t index) {
  const UploadEntry& entry = payload.entries[index];
  return std::u16string(TerminatedText(entry.value, kUploadValueLength).value_or(u""));
}

struct PackedFile {
  std::string path;
  bool added = false;
};

// Packs the dump and the log and removes what the package now holds. A file
// is removed only once it is whole in a package that closed cleanly.
void PackCrash(const std::string& package_path, const CalendarTime& time, PackedFile dump,
               const std::string& crash_name, PackedFile log, const std::string& log_name) {
  auto package = CrashPackage::Create(package_path, time);
  if (!package) {
    LAUNCHER_LOG(kLogTag, kFunction, "cannot create package %s", package_path.c_str());
    return;
  }
  dump.added = package->AddFile(dump.path, crash_name);
  log.added = package->AddFile(log.path, log_name);
  if (!package->Close()) {
    LAUNCHER_LOG(kLogTag, kFunction, "package %s is not complete; its files are kept", package_path.c_str());
    return;
  }
  for (const PackedFile& file : {dump, log}) {
    if (file.added) platform::DeleteSharedFile(file.path);
  }
}

}  // namespace

UploadRequestText ReadUploadRequest(const UploadPayload& payload) {
  UploadRequestText request;
  if (!IsWellFormed(payload) || payload.count == 0) {
    request.refusal = UploadRequestText::Refusal::kUnreadable;
    return request;
  }
  request.log_name = EntryValue(payload, 0);
  if (!StaysInsideFolder(request.log_name)) {
    request.refusal = UploadRequestText::Refusal::kLeavesFolder;
    return request;
  }
  std::optional<std::u16string> crash_name = CrashNameFor(request.log_name);
  if (!crash_name) {
    request.refusal = UploadRequestText::Refusal::kNoCrashName;
    return request;
  }
  request.crash_name = std::move(*crash_name);
  request.url = kDefaultCrashReportUrl;
  request.form_fields = {{u"platform", u"win32"}};
  for (std::size_t i = 1; i < payload.count; ++i) {
    const std::u16string name = EntryName(payload, i);
    std::u16string value = EntryValue(payload, i);
    if (name == u"url") {
      request.url = std::move(value);
    } else if (name == u"callstack_md5") {
      request.callstack_digests.push_back(std::move(value));
    } else {
      request.form_fields[name] = std::move(value);
    }
  }
  return request;
}

void UploadRequestHandler::Handle(const std::u16string& last_dump_path, const UploadPayload& payload) {
  std::lock_guard lock(mutex_);
  const UploadRequestText request = ReadUploadRequest(payload);
  using Refusal = UploadRequestText::Refusal;
  if (request.refusal == Refusal::kUnreadable) {
    LAUNCHER_LOG(kLogTag, kFunction, "upload request without a readable log name ignored");
    return;
  }
  const std::u16string& log_name = request.log_name;
  if (last_dump_path.empty()) {
    LAUNCHER_LOG(kLogTag, kFunction, "upload request for %s ignored: no dump was written",
                 Utf8(log_name).c_str());
    return;
  }
  if (request.refusal == Refusal::kLeavesFolder) {
    LAUNCHER_LOG(kLogTag, kFunction, "upload request ignored: log name %s leaves the dump folder",
                 Utf8(log_name).c_str());
    return;
  }
  if (request.refusal == Refusal::kNoCrashName) return;
  const std::u16string& crash_name = request.crash_name;

  const std::u16string dump_folder = FolderOf(last_dump_path);
  const std::string new_dump_path = Utf8(JoinPath(dump_folder, crash_name));
  // When the dump cannot take its new name, it is packed from where it is.
  const bool moved = platform::RenameSharedFile(Utf8(last_dump_path), new_dump_path).ok();
  const CalendarTime now = LocalNow();
  const std::u16string package_path = JoinPath(dump_folder, PackageFileName(now));
  PackCrash(Utf8(package_path), now, {moved ? new_dump_path : Utf8(last_dump_path)}, Utf8(crash_name),
            {Utf8(JoinPath(dump_folder, log_name))}, Utf8(log_name));

  for (const std::u16string& digest : request.callstack_digests) {
    if (remembered_digest_.empty()) {
      remembered_digest_ = digest;
    } else if (digest == remembered_digest_) {
      LAUNCHER_LOG(kLogTag, kFunction, "call stack %s already reported; package %s kept",
                   Utf8(digest).c_str(), Utf8(package_path).c_str());
      return;
    }
  }
  UploadDumpFile(request.url, request.form_fields, {{u"upload_file_minidump", package_path}});
}

void HandleUploadRequest(const std::u16string& last_dump_path, const UploadPayload& payload) {
  // Never destroyed: a request may still be in flight while the process ends.
  static UploadRequestHandler* const handler = new UploadRequestHandler();
  handler->Handle(last_dump_path, payload);
}

}  // namespace google_breakpad
