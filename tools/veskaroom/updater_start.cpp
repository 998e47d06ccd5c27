#include "tools/veskaroom/updater_start.h"

#include "platform/folders.h"
#include "platform/process.h"
#include "tools/veskaroom/escaped_text.h"
#include "tools/veskaroom/event_record.h"

namespace {

constexpr const char* kUpdaterInFolder = "/temp/Updater.exe";

}  // namespace

void RunUpdater(const std::string& switches, EventRecord& record) {
  const auto folder = platform::OwnExecutableFolder();
  if (!folder) {
    record.Write("update failed " + EscapeForRecord(folder.error().Describe()));
    return;
  }
  auto updater = platform::Spawn("\"" + *folder + kUpdaterInFolder + "\" " + switches);
  if (!updater) {
    record.Write("update failed " + EscapeForRecord(updater.error().Describe()));
    return;
  }
  record.Write("update started " + EscapeForRecord(switches));
  updater->WaitForever();
  const auto code = updater->ExitCode();
  record.Write("update ended " + (code ? std::to_string(*code) : std::string("unknown")));
}
