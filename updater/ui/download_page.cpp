#include "updater/ui/download_page.h"

#include "platform/shell_open.h"
#include "updater/log/updater_log.h"

bool OpenDownloadPage() {
  const platform::Status opened = platform::ShellOpen(kDownloadPageUrl);
  if (!opened) {
    UpdaterLog::Instance().Write(0, "UpdaterApp", __LINE__, "OpenDownloadPage", "cannot open %s: %s",
                                 kDownloadPageUrl, opened.error().Describe().c_str());
  }
  return opened.ok();
}
