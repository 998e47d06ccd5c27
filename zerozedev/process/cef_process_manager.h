#pragma once
// Starts the classroom client once and keeps the channel's running flag true
// exactly as long as the client counts as alive.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "zerozedev/process/client_command_line.h"

class CefPipeChannel;

namespace zerozedev {

class ClientProcessWatch;

class CefProcessManager {
 public:
  // `program_folder` is searched first for the client's program; empty means
  // the launcher's own folder.
  CefProcessManager(ClientCommandLine command_line, std::shared_ptr<CefPipeChannel> channel,
                    std::string program_folder = {});
  ~CefProcessManager();
  CefProcessManager(const CefProcessManager&) = delete;
  CefProcessManager& operator=(const CefProcessManager&) = delete;

  // Ends stray clients, starts the client with the latest URL and watches it.
  // On failure the running flag turns false.
  void RunProcessOnce();
  // A client process has ended (crash server thread).
  void HandleClientExit(std::uint32_t process_id);
  // The crash server's exit notice.
  void OnClientExited(std::uint32_t process_id) { HandleClientExit(process_id); }

  // The last dump written for the client, kept for crash reporting.
  void SetLastDumpPath(std::u16string path);
  std::u16string LastDumpPath() const;

  // 0 until a launch succeeds.
  std::uint32_t client_process_id() const { return client_process_id_.load(); }
  const ClientCommandLine& command_line() const { return command_line_; }

 private:
  ClientCommandLine command_line_;
  mutable std::mutex dump_path_mutex_;
  std::u16string last_dump_path_;
  std::atomic<std::uint32_t> client_process_id_{0};
  std::shared_ptr<CefPipeChannel> channel_;
  std::string program_folder_;
  std::unique_ptr<ClientProcessWatch> watch_;
};

}  // namespace zerozedev
