#pragma once
// The client's end of the launcher's pipe: the same transport in the client
// role. Records the closing notice and the pipe's end, and ends the client's
// life on either.

#include <memory>
#include <string>

#include "tools/veskaroom/client_life.h"
#include "tools/veskaroom/event_record.h"
#include "zerozedev/pipe/pipe_channel.h"
#include "zerozedev/pipe/pipe_channel_impl.h"

class LauncherLink final : public PipeChannel::ReadCallback {
 public:
  LauncherLink(EventRecord& record, ClientLife& life);
  ~LauncherLink() override;

  // Creates the transport (InitPipeChannel) and connects to the pipe of
  // short name `host`. On failure `failure` says why.
  bool Connect(const std::string& host, std::string& failure);
  void SendHeartbeat();
  void SendUrl(const std::string& url);
  void SendExitRequest();
  void Close();

  bool InitPipeChannel() override;
  bool OnRead(ReceiveBuffer& buffer) override;
  void OnError() override;

 private:
  void SendMessageOfType(unsigned type, const std::string& payload);

  EventRecord& record_;
  ClientLife& life_;
  std::unique_ptr<PipeChannelImpl> transport_;
};
