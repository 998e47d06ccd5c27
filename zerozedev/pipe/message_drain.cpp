#include "zerozedev/pipe/message_drain.h"

#include <cstring>

namespace {

void Consume(ReceiveBuffer& buffer, unsigned length) {
  if (length >= buffer.used) {
    buffer.used = 0;
    return;
  }
  std::memmove(buffer.data, buffer.data + length, buffer.used - length);
  buffer.used -= length;
}

}  // namespace

DrainOutcome DrainMessages(ReceiveBuffer& buffer, MessageSink& sink) {
  while (buffer.used >= kMessageHeaderSize) {
    const MessageHeader header = DecodeMessageHeader(buffer.data);
    if (!sink.OnHeader(header)) return {DrainResult::kUnknownType, header};
    if (header.length < kMessageHeaderSize) return {DrainResult::kBadLength, header};
    if (header.length > kMaxMessageLength) return {DrainResult::kTooLong, header};
    if (buffer.used < header.length) break;
    const std::string_view payload(reinterpret_cast<const char*>(buffer.data) + kMessageHeaderSize,
                                   header.length - kMessageHeaderSize);
    sink.OnMessage(header, payload);
    Consume(buffer, header.length);
  }
  return {DrainResult::kNeedMore, {}};
}
