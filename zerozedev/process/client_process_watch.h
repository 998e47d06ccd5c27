#pragma once
// Watches the client process the launcher started. A client that dies
// without an exit request and without a crash-server notice would otherwise
// leave the launcher waiting for ever with the instance mutex held.

#include <atomic>
#include <memory>
#include <thread>

#include "platform/process.h"

class CefPipeChannel;

namespace zerozedev {

class ClientProcessWatch {
 public:
  // When `client` ends, at any time, the channel's running flag turns false
  // and the process is reaped.
  ClientProcessWatch(platform::Process client, std::shared_ptr<CefPipeChannel> channel);
  // Stops watching; a client still running is left running.
  ~ClientProcessWatch();
  ClientProcessWatch(const ClientProcessWatch&) = delete;
  ClientProcessWatch& operator=(const ClientProcessWatch&) = delete;

 private:
  void Watch();

  platform::Process client_;
  std::shared_ptr<CefPipeChannel> channel_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace zerozedev
