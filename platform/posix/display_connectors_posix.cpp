#include "platform/display_connectors.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

// "card0-HDMI-A-1": the card, the kind, and the connector's number.
std::optional<std::string> KindOf(const std::string& name) {
  if (!name.starts_with("card")) return std::nullopt;
  const auto first = name.find('-');
  const auto last = name.rfind('-');
  if (first == std::string::npos || last <= first + 1) return std::nullopt;
  return name.substr(first + 1, last - first - 1);
}

}  // namespace

std::vector<DisplayConnector> ListDisplayConnectors(const std::string& sysfs_root) {
  std::vector<DisplayConnector> connectors;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(sysfs_root) / "class/drm", error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const auto kind = KindOf(name);
    if (!kind) continue;
    std::ifstream status(it->path() / "status");
    std::string state;
    if (!(status >> state)) continue;
    connectors.push_back({name, *kind, state == "connected"});
  }
  std::sort(connectors.begin(), connectors.end(),
            [](const DisplayConnector& a, const DisplayConnector& b) { return a.name < b.name; });
  return connectors;
}

}  // namespace platform
