#pragma once
// The launcher-client pipe as an abstract transport, and the receiver that
// turns its bytes into messages.

#include <cstdint>
#include <string>

// Bytes [0, used) of data are received and not yet consumed. The receiver
// consumes by moving the rest to the front and lowering used.
struct ReceiveBuffer {
  std::uint8_t* data = nullptr;
  unsigned capacity = 0;
  unsigned used = 0;
};

class PipeChannel {
 public:
  class ReadCallback {
   public:
    // Creates the receiver's transport; false when there is none.
    virtual bool InitPipeChannel() = 0;
    // Runs on the transport's loop thread. false = protocol error: the
    // transport drops the connection.
    virtual bool OnRead(ReceiveBuffer& buffer) = 0;
    // Runs on the transport's loop thread: the connection failed or ended.
    virtual void OnError() = 0;
    virtual ~ReadCallback() = default;
  };

  virtual ~PipeChannel() = default;
  // The short pipe name (without the "\\.\pipe\np." prefix); empty until named.
  virtual std::string GetName() = 0;
  // Joins the loop thread if it is joinable.
  virtual void Wait() = 0;
  // Client role: connects to the pipe of short name `name`, up to 15 s.
  virtual bool Connect(std::string name) = 0;
  // Asks the loop to close every handle and waits up to maxSeconds for it;
  // a loop that has not finished by then is left to end on its own.
  virtual void Close(unsigned maxSeconds) = 0;
  // Queues one message; callable from any thread. Order is kept.
  virtual void Send(const void* data, unsigned size) = 0;
  // Server role: names the pipe, listens and starts the loop. Both roles:
  // a non-zero bufferSize sizes the receive buffer.
  virtual void Start(unsigned bufferSize) = 0;
};
