#include "zerozedev/log/log_folder.h"

#include "platform/folders.h"
#include "platform/private_files.h"
#include "platform/text.h"

namespace {

// A dot in the last component starts an extension, which goes; so a program
// named "a.b" ends up in the folder "a".
void RemoveExtensionOfLastComponent(std::string& path) {
  const auto componentStart = path.rfind('/') + 1;  // npos + 1 == 0
  const auto dot = path.rfind('.');
  if (dot != std::string::npos && dot >= componentStart) path.erase(dot);
}

}  // namespace

std::string ProgramNameOf(std::string_view executablePath) {
  const auto slash = executablePath.rfind('/');
  std::string_view name = slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return platform::ToLowerUtf8(name);
}

std::string LauncherLogFolder(const std::string& logName) {
  const auto base = platform::LocalAppDataFolder();
  if (!base) return {};
  const auto executable = platform::OwnExecutablePath();
  std::string below = "trvo/logs/" + logName + "/" + (executable ? ProgramNameOf(*executable) : std::string());
  RemoveExtensionOfLastComponent(below);
  // Private: records carry addresses and parameters. A failure shows when
  // the file cannot be created.
  platform::MakePrivateFolders(*base, below);
  return *base + "/" + below;
}
