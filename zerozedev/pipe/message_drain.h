#pragma once
// The receiver's reassembly rule: whole messages are taken from the front of
// the receive buffer; a partial one stays there for the next read.

#include <cstdint>
#include <string_view>

#include "zerozedev/pipe/pipe_channel.h"
#include "zerozedev/pipe/pipe_message.h"

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Called for every header at the front of the buffer, complete message or
  // not, so once per read for a message that arrives in pieces. false = the
  // type is not accepted.
  virtual bool OnHeader(const MessageHeader& header) = 0;
  // Called once per complete message, in order.
  virtual void OnMessage(const MessageHeader& header, std::string_view payload) = 0;
};

enum class DrainResult {
  kNeedMore,     // every complete message was handed over
  kUnknownType,  // OnHeader refused a type; nothing after it was looked at
  kBadLength,    // a length below the header size, which could never be consumed
  kTooLong,      // a length above kMaxMessageLength
};

struct DrainOutcome {
  DrainResult result = DrainResult::kNeedMore;
  MessageHeader header;  // the offending header for the errors
};

DrainOutcome DrainMessages(ReceiveBuffer& buffer, MessageSink& sink);
