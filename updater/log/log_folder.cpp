#include "updater/log/log_folder.h"

#include "platform/folders.h"
#include "platform/private_files.h"

namespace updater {
namespace {

// Appends one component and creates it private (lines carry the update's
// address); false when it is not a usable folder.
bool AppendFolder(std::string& folder, std::string_view component) {
  folder.append("/").append(component);
  return platform::MakePrivateFolder(folder).ok();
}

}  // namespace

std::string LogProgramName(std::string_view programPath) {
  const auto slash = programPath.rfind('/');
  std::string_view name = slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
  const auto extension = name.rfind(".exe");
  if (extension != std::string_view::npos) name = name.substr(0, extension);
  return std::string(name);
}

std::string UpdaterLogFolder() {
  auto appData = platform::LocalAppDataFolder();
  if (!appData) return {};
  std::string folder = *appData;
  for (const char* component : {"trvo", "logs", "Updater"}) {
    if (!AppendFolder(folder, component)) return {};
  }
  const auto programPath = platform::OwnExecutablePath();
  const std::string programName = programPath ? LogProgramName(*programPath) : "temp";
  if (!AppendFolder(folder, programName)) return {};
  return folder;
}

}  // namespace updater
