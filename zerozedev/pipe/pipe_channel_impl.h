#pragma once
// PipeChannel on libuv: one loop thread owns the pipe, reads into the receive
// buffer, hands it to the receiver and writes queued messages.

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "zerozedev/pipe/pipe_channel.h"
#include "zerozedev/pipe/pipe_message.h"

inline constexpr unsigned kDefaultReceiveBufferSize = 4194304;
// The receive buffer never grows past this, twice the longest message a
// receiver takes: a peer that would need more is a protocol error.
inline constexpr unsigned kMaxReceiveBufferSize = 2 * kMaxMessageLength;

class PipeChannelImpl final : public PipeChannel {
 public:
  enum class Role { kServer, kClient };

  // The receiver is not owned and must outlive every callback; the channel
  // stops calling it once destroyed, even if its loop thread lingers.
  PipeChannelImpl(ReadCallback* receiver, Role role);
  ~PipeChannelImpl() override;
  PipeChannelImpl(const PipeChannelImpl&) = delete;
  PipeChannelImpl& operator=(const PipeChannelImpl&) = delete;

  std::string GetName() override;
  void Wait() override;
  bool Connect(std::string name) override;
  void Close(unsigned maxSeconds) override;
  void Send(const void* data, unsigned size) override;
  void Start(unsigned bufferSize) override;

  bool HasLoop() const;
  // False once Close has left the loop thread to finish on its own (or after
  // Wait); true while Wait still has a thread to join.
  bool LoopThreadJoinable() const { return loop_thread_.joinable(); }
  // Server role: Start named the pipe, bound it and listens.
  bool IsListening() const { return listening_; }
  // Why the last Start or Connect failed, for the log; empty otherwise.
  const std::string& FailureReason() const { return failure_; }

  // Waits until the loop thread of every channel in the process has ended,
  // including those Close left to finish on their own; false when some still
  // run after `limit`. For an orderly end of the process.
  static bool WaitForLoopThreads(std::chrono::milliseconds limit);

  struct LoopState;  // everything the loop thread touches

 private:
  std::shared_ptr<LoopState> state_;  // shared with the loop thread
  std::thread loop_thread_;
  const bool server_;
  std::string short_name_;
  bool listening_ = false;
  bool connect_attempted_ = false;
  std::string failure_;

  bool StartLoopThread();
};

// A server-role channel, named and listening, with a 4 MiB receive buffer;
// nothing when the loop cannot be set up or the pipe cannot be served.
std::unique_ptr<PipeChannelImpl> CreatePipeChannel(PipeChannel::ReadCallback* receiver,
                                                   std::string* failure = nullptr);

// A client-role channel, not yet connected; nothing when the loop cannot be
// set up.
std::unique_ptr<PipeChannelImpl> CreateClientPipeChannel(PipeChannel::ReadCallback* receiver);
