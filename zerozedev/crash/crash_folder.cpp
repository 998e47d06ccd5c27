#include "zerozedev/crash/crash_folder.h"

#include "platform/folders.h"
#include "platform/pipe_path.h"
#include "platform/private_files.h"
#include "platform/text.h"

namespace google_breakpad {

std::u16string FallbackCrashFolder() {
  auto runtime = platform::PrivateRuntimeFolder();
  if (!runtime) return {};
  return platform::Utf8ToUtf16(*runtime + "/Dumps");
}

std::u16string LocalCrashFolder() {
  auto data = platform::LocalAppDataFolder();
  if (!data) return {};
  // Made here already when it can be; MakeCrashFolder reports what failed.
  platform::MakePrivateFolders(*data, "trvo/crash");
  return platform::Utf8ToUtf16(*data + "/trvo/crash");
}

bool MakeCrashFolder(const std::u16string& folder) {
  return !folder.empty() && platform::MakePrivateFolder(platform::Utf16ToUtf8(folder)).ok();
}

}  // namespace google_breakpad
