#pragma once
// Collects what the crash generation server reports through its callbacks,
// from the server's threads, for the tests to wait on and inspect.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "outside/crash_generation/crash_generation_server.h"

namespace veska_test {

struct ServerEvent {
  enum Kind { kConnected, kDumped, kExited, kUpload } kind = kConnected;
  int pid = 0;
  std::vector<google_breakpad::CustomInfoField> custom_info;
  bool has_path = false;
  std::string path;  // dumps
  google_breakpad::UploadPayload payload;  // uploads
};

class CallbackRecorder {
 public:
  // For the server's constructor; the context is the recorder.
  static void OnConnected(void* context, const google_breakpad::ClientInfo* info);
  static void OnDumped(void* context, const google_breakpad::ClientInfo* info, const std::u16string* path);
  static void OnExited(void* context, const google_breakpad::ClientInfo* info);
  static void OnUpload(void* context, const google_breakpad::ClientInfo* info,
                       const google_breakpad::UploadPayload* payload);

  // A server with every callback pointing here.
  std::unique_ptr<google_breakpad::CrashGenerationServer> MakeServer(const std::u16string& pipe_name,
                                                                     const std::string& dump_folder);

  std::vector<ServerEvent> Events() const;
  std::vector<ServerEvent> EventsOf(ServerEvent::Kind kind) const;
  // Waits until `count` events of `kind` have arrived.
  bool WaitFor(ServerEvent::Kind kind, size_t count = 1,
               std::chrono::milliseconds limit = std::chrono::seconds(15)) const;

  // Upload callbacks block here until Release() (or the bound) when set.
  void HoldUploads(std::chrono::milliseconds bound);
  void Release();
  bool upload_finished() const;

 private:
  void Add(ServerEvent event);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<ServerEvent> events_;
  bool hold_uploads_ = false;
  bool released_ = false;
  bool upload_finished_ = false;
  std::chrono::milliseconds hold_bound_{0};
};

}  // namespace veska_test
