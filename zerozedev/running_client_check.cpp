#include "zerozedev/running_client_check.h"

#include <algorithm>
#include <string>

#include "platform/message_box.h"
#include "platform/process_list.h"
#include "platform/text.h"
#include "platform/ui_language.h"
#include "zerozedev/launcher_constants.h"
#include "zerozedev/terminate_processes.h"

namespace zerozedev {
namespace {

constexpr std::uint16_t kSimplifiedChinese = 0x0804;

platform::PromptAnswer AskToRestart() {
  if (platform::UserDefaultUILanguage() == kSimplifiedChinese) {
    return platform::AskOkCancel("检测到程序正在运行，是否重新打开!", "提示");
  }
  return platform::AskOkCancel("Another program is already in progress, start new one?", "Prompt");
}

}  // namespace

bool ShouldStartClient() {
  const std::u16string client(kClientExeName);
  const auto processes = platform::SnapshotProcesses();
  if (!processes) {
    TerminateProcessesByName(client);
    return true;
  }
  const std::string client_utf8 = platform::Utf16ToUtf8(client);
  const bool client_running =
      std::any_of(processes->begin(), processes->end(),
                  [&](const platform::ProcessEntry& p) { return p.exe_name == client_utf8; });
  if (!client_running) return true;

  if (AskToRestart() != platform::PromptAnswer::kOk) return false;
  TerminateProcessesByName(client);
  return true;
}

}  // namespace zerozedev
