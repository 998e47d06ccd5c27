// IsConnectProjector: a screen plugged into an output other than a built-in
// panel.

#include <string>

#include "kvt.h"
#include "machine_sources.h"
#include "platform/display_connectors.h"

namespace {

// Laptop screens are never projectors; write-back outputs are no screens.
bool MayBeProjector(const std::string& kind) {
  return kind != "eDP" && kind != "LVDS" && kind != "DSI" && kind != "Writeback";
}

}  // namespace

extern "C" bool IsConnectProjector(void) {
  for (const auto& connector : platform::ListDisplayConnectors(kvt::CurrentMachineSources().sysfs_root)) {
    if (connector.connected && MayBeProjector(connector.kind)) return true;
  }
  return false;
}
