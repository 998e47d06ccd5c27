#pragma once
// The client side of the crash generation protocol: registration with the
// server, the crash-info block the server reads, the dump request and the
// upload request.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "outside/crash_generation/client_info.h"
#include "outside/crash_generation/crash_info_block.h"
#include "outside/crash_generation/upload_payload.h"

namespace google_breakpad {

class CrashGenerationClient {
 public:
  // `custom_info` is copied into the crash-info block (texts cut to fit).
  CrashGenerationClient(const std::u16string& pipe_name, uint32_t dump_type,
                        const std::vector<CustomInfoField>& custom_info = {});
  CrashGenerationClient(const CrashGenerationClient&) = delete;
  CrashGenerationClient& operator=(const CrashGenerationClient&) = delete;
  ~CrashGenerationClient();

  // Connects to the server, registers and keeps the three descriptors of the
  // response. False when no server answers properly within `timeout`.
  bool Register(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool IsRegistered() const { return registered_; }

  // The calls below are async-signal-safe: they neither allocate nor lock.

  // Stores the crashing thread and its signal context in the block, asks for
  // a dump and waits up to `timeout_ms` for the server to report it done.
  // False when not registered, on time-out, or when the server has gone.
  bool RequestDumpForCrash(uint32_t thread_id, const CrashContextRecord& context, int timeout_ms);
  // The same without a crash: a dump of the running process.
  bool RequestDump(int timeout_ms);

  // Sends an upload request (on a connection of its own, closed afterwards)
  // and waits up to `timeout_ms` for the whole message to be sent. Needs no
  // registration, only a server on the pipe.
  bool RequestUpload(const UploadPayload& payload, int timeout_ms) const;

 private:
  struct Block;

  bool MapBlock(const std::vector<CustomInfoField>& custom_info);
  bool SignalAndWait(int timeout_ms);

  std::u16string pipe_name_;
  uint32_t dump_type_;
  std::vector<CustomInfoField> custom_info_;
  std::string socket_path_;  // resolved at construction, so that no later call allocates
  Block* block_ = nullptr;
  size_t block_size_ = 0;
  uint32_t custom_info_count_ = 0;
  platform::UniqueFd dump_request_;
  platform::UniqueFd dump_generated_;
  platform::UniqueFd server_alive_;
  bool registered_ = false;
};

}  // namespace google_breakpad
