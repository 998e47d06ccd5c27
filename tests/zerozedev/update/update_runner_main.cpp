// Test program: what the launcher does before it runs the client (its own
// folder as the current directory, the log opened), then the two update steps.
#include "platform/folders.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/update/apply_pending_update.h"
#include "zerozedev/update/install_update_package.h"

int main() {
  const auto folder = platform::OwnExecutableFolder();
  if (!folder || !platform::SetCurrentDirectory(*folder)) return 2;
  LauncherLog::Instance().Open("zerozedev");
  zerozedev::ApplyPendingUpdate();
  zerozedev::InstallUpdatePackage();
  return 0;
}
