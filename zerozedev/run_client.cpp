#include "zerozedev/run_client.h"

#include "platform/text.h"
#include "zerozedev/launcher_constants.h"
#include "zerozedev/log/launcher_log.h"

namespace zerozedev {

void RunClient(const std::u16string& launch_arguments) {
  // The client run is not wired up yet: record that it was reached.
  LauncherLog::Instance().Write(4, kLogTag, __LINE__, "wWinMain", "RunClient: %s",
                                platform::Utf16ToUtf8(launch_arguments).c_str());
}

}  // namespace zerozedev
