#include "zerozedev/crash/crash_folder.h"

#include <filesystem>

#include "platform/folders.h"
#include "platform/pipe_path.h"
#include "platform/text.h"

namespace google_breakpad {
namespace {

bool MakeFolder(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directory(path, ignored);
  return std::filesystem::is_directory(path, ignored);
}

}  // namespace

std::u16string FallbackCrashFolder() {
  auto runtime = platform::PrivateRuntimeFolder();
  if (!runtime) return {};
  return platform::Utf8ToUtf16(*runtime + "/Dumps");
}

std::u16string LocalCrashFolder() {
  auto data = platform::LocalAppDataFolder();
  if (!data) return {};
  std::string path = *data + "/trvo";
  MakeFolder(path);
  path += "/crash";
  MakeFolder(path);
  return platform::Utf8ToUtf16(path);
}

bool MakeCrashFolder(const std::u16string& folder) {
  return !folder.empty() && MakeFolder(platform::Utf16ToUtf8(folder));
}

}  // namespace google_breakpad
