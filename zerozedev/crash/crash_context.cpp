#include "zerozedev/crash/crash_context.h"

#include "zerozedev/process/cef_process_manager.h"

namespace google_breakpad {

void CrashContext::Detach() {
  std::lock_guard lock(mutex_);
  manager_ = nullptr;
}

void CrashContext::SetLastDumpPath(std::u16string path) {
  std::lock_guard lock(mutex_);
  if (manager_ != nullptr) manager_->SetLastDumpPath(std::move(path));
}

std::u16string CrashContext::LastDumpPath() const {
  std::lock_guard lock(mutex_);
  return manager_ != nullptr ? manager_->LastDumpPath() : std::u16string();
}

void CrashContext::OnClientExited(std::uint32_t process_id) {
  std::lock_guard lock(mutex_);
  if (manager_ != nullptr) manager_->OnClientExited(process_id);
}

}  // namespace google_breakpad
