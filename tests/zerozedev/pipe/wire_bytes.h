#pragma once
// Messages of the channel's wire format as byte strings, for tests that feed
// a receiver by hand.

#include <cstdint>
#include <string>

#include "zerozedev/pipe/pipe_message.h"

inline std::string Message(std::uint32_t type, const std::string& payload = {}) {
  const auto bytes = EncodeMessage(type, payload);
  return std::string(bytes.begin(), bytes.end());
}

// A header with any length, payload not included.
inline std::string Header(std::uint32_t type, std::uint32_t length) {
  std::string bytes = Message(type).substr(0, 4);
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(length >> (8 * i));
  return bytes;
}
