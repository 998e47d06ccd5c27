// The installer component's self-registration. What registering the
// classroom installer means on Windows lies outside the system; here it is a
// line the user can find: "<local time> registered <component path>" (or
// "unregistered") appended to installer_registrations.txt in the updater's
// data folder (<local application data>/trvo). Returns S_OK, or E_FAIL when
// the line cannot be written.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/clock.h"
#include "platform/folders.h"

namespace {

constexpr std::int32_t kOk = 0;                                       // S_OK
constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x80004005);  // E_FAIL
constexpr const char* kDataFolder = "trvo";
constexpr const char* kRecordName = "installer_registrations.txt";

std::int32_t Record(const char* what) {
  const auto data = platform::LocalAppDataFolder();
  if (!data) return kFailed;
  const std::filesystem::path folder = std::filesystem::path(*data) / kDataFolder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const auto self = platform::ModulePathOf(reinterpret_cast<const void*>(&Record));
  std::FILE* file = std::fopen((folder / kRecordName).c_str(), "a");
  if (file == nullptr) return kFailed;
  const std::tm now = platform::LocalTimeNow();
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &now);
  const bool written = std::fprintf(file, "%s %s %s\n", stamp, what, self ? self->c_str() : "?") > 0;
  return std::fclose(file) == 0 && written ? kOk : kFailed;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() { return Record("registered"); }
extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer() {
  return Record("unregistered");
}
