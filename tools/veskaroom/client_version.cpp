#include "tools/veskaroom/client_version.h"

#include <fstream>

#include "platform/folders.h"

std::optional<std::string> InstalledClientVersion() {
  const auto folder = platform::OwnExecutableFolder();
  if (!folder) return std::nullopt;
  std::ifstream file(*folder + "/version.txt");
  std::string line;
  if (!std::getline(file, line) || line.empty()) return std::nullopt;
  return line;
}
