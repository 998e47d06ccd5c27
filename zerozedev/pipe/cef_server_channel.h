#pragma once
// The launcher's receiver on the client pipe: owns the server transport and
// turns the client's messages into calls of the owner's named callbacks.

#include <memory>
#include <string>

#include "zerozedev/pipe/channel_callback.h"
#include "zerozedev/pipe/pipe_channel.h"

class CefPipeChannel;

class Cef_ServerChannel final : public PipeChannel::ReadCallback {
 public:
  // `table` is copied: later registrations do not reach this receiver.
  Cef_ServerChannel(CefPipeChannel& owner, const CallbackTable& table);
  // Sends the client the closing notice, then closes and joins the transport.
  ~Cef_ServerChannel() override;
  Cef_ServerChannel(const Cef_ServerChannel&) = delete;
  Cef_ServerChannel& operator=(const Cef_ServerChannel&) = delete;

  bool InitPipeChannel() override;
  bool OnRead(ReceiveBuffer& buffer) override;
  void OnError() override;

  // The short pipe name; empty without a transport.
  std::string GetName() const;
  // Why the last InitPipeChannel failed; empty otherwise.
  const std::string& FailureReason() const { return failure_; }

 private:
  std::unique_ptr<PipeChannel> transport_;
  std::string failure_;
  CefPipeChannel& owner_;
  CallbackTable table_;
};
