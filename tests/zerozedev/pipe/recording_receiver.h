#pragma once
// A receiver for transport tests: splits the stream into messages by the
// channel's own rule and keeps what arrived, for the test thread to check.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "zerozedev/pipe/message_drain.h"
#include "zerozedev/pipe/pipe_channel.h"

struct ReceivedMessage {
  std::uint32_t type = 0;
  std::string payload;
  bool operator==(const ReceivedMessage&) const = default;
};

class RecordingReceiver : public PipeChannel::ReadCallback, private MessageSink {
 public:
  // Types above `highest_known_type` are protocol errors.
  explicit RecordingReceiver(std::uint32_t highest_known_type = 3)
      : highest_known_type_(highest_known_type) {}

  bool InitPipeChannel() override { return false; }
  bool OnRead(ReceiveBuffer& buffer) override {
    return DrainMessages(buffer, *this).result == DrainResult::kNeedMore;
  }
  void OnError() override { ++errors; }

  std::vector<ReceivedMessage> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  std::size_t MessageCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_.size();
  }

  std::atomic<int> errors{0};

 private:
  bool OnHeader(const MessageHeader& header) override {
    return header.type <= highest_known_type_;
  }
  void OnMessage(const MessageHeader& header, std::string_view payload) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back({header.type, std::string(payload)});
  }

  const std::uint32_t highest_known_type_;
  std::mutex mutex_;
  std::vector<ReceivedMessage> messages_;
};
