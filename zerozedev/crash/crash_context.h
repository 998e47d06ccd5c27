#pragma once
// The client run's process manager as the crash callbacks reach it. The run
// detaches it before the manager goes; a callback that outlives the server's
// stop then reaches nothing instead of a destroyed manager.

#include <cstdint>
#include <mutex>
#include <string>

namespace zerozedev {
class CefProcessManager;
}

namespace google_breakpad {

class CrashContext {
 public:
  explicit CrashContext(zerozedev::CefProcessManager* manager) : manager_(manager) {}
  CrashContext(const CrashContext&) = delete;
  CrashContext& operator=(const CrashContext&) = delete;

  void Detach();

  // The manager's field for the last dump written for the client.
  void SetLastDumpPath(std::u16string path);
  // Empty once detached.
  std::u16string LastDumpPath() const;
  void OnClientExited(std::uint32_t process_id);

 private:
  mutable std::mutex mutex_;
  zerozedev::CefProcessManager* manager_;
};

}  // namespace google_breakpad
