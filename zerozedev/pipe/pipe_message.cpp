#include "zerozedev/pipe/pipe_message.h"

#include <algorithm>

namespace {

void PutLittleEndian32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian32(const std::uint8_t* in) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

}  // namespace

std::vector<std::uint8_t> EncodeMessage(std::uint32_t type, std::string_view payload) {
  std::vector<std::uint8_t> message(kMessageHeaderSize + payload.size());
  PutLittleEndian32(message.data(), type);
  PutLittleEndian32(message.data() + 4, static_cast<std::uint32_t>(message.size()));
  if (!payload.empty()) {
    std::copy(payload.begin(), payload.end(), message.begin() + kMessageHeaderSize);
  }
  return message;
}

MessageHeader DecodeMessageHeader(const std::uint8_t* bytes) {
  return MessageHeader{GetLittleEndian32(bytes), GetLittleEndian32(bytes + 4)};
}
