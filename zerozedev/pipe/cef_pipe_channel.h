#pragma once
// The launcher's view of the running classroom client: liveness, the last
// heartbeat and the latest URL, fed by the client's pipe messages. Shared by
// reference count between the client run, the process manager and the
// heartbeat monitor.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "zerozedev/pipe/channel_callback.h"

class Cef_ServerChannel;

class CefPipeChannel {
 public:
  CefPipeChannel();
  // Stops the pipe first (the client gets the closing notice), so no message
  // handler can run into a half-destroyed channel.
  ~CefPipeChannel();
  CefPipeChannel(const CefPipeChannel&) = delete;
  CefPipeChannel& operator=(const CefPipeChannel&) = delete;

  // Registers the callbacks and creates the server pipe. true when a receiver
  // with a working transport exists (also on a second call, which creates
  // nothing). Not thread-safe against itself.
  bool CreateCefPipe();
  // The short pipe name for the client's "host" switch; empty without a pipe.
  std::string GetPipeName() const;
  // Why the last CreateCefPipe failed; empty after a success.
  const std::string& PipeFailure() const { return pipe_failure_; }

  bool IsRunning() const { return running_.load(); }
  // Atomic exchange; returns the previous value.
  bool SetRunning(bool running) { return running_.exchange(running); }

  bool HeartbeatSeen();
  void ClearHeartbeatSeen();
  // Milliseconds since the last heartbeat (or since construction).
  std::int64_t GetHeartbeatAgeMs();
  void RecordHeartbeat();

  std::string GetLatestUrl();
  void UpdateUrl(const std::string& url);

 private:
  std::unique_ptr<Cef_ServerChannel> channel_;
  std::string pipe_failure_;
  std::atomic<bool> running_{false};
  std::mutex heartbeat_mutex_;
  std::int64_t last_heartbeat_;  // wall clock, 100-nanosecond units
  bool heartbeat_seen_ = false;
  std::mutex url_mutex_;
  std::string latest_url_;
  CallbackTable callbacks_;
  std::unique_ptr<ChannelCallback> on_error_;
  std::unique_ptr<ChannelCallback> on_heartbeat_;
  std::unique_ptr<ChannelCallback> on_update_url_;
  std::unique_ptr<ChannelCallback> on_exit_process_;
};
