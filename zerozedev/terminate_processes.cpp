#include "zerozedev/terminate_processes.h"

#include "platform/process.h"
#include "platform/text.h"

namespace zerozedev {

void TerminateProcessesByName(const std::u16string& name) {
  platform::TerminateProcessesNamed(platform::Utf16ToUtf8(name));
}

}  // namespace zerozedev
