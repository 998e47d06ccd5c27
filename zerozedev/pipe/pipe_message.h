#pragma once
// Messages on the launcher-client pipe: an 8-byte header (type, total length,
// both little-endian unsigned 32-bit) followed by length - 8 payload bytes.

#include <cstdint>
#include <string_view>
#include <vector>

enum PipeMessageType : std::uint32_t {
  MSG_CLOSING_NOTICE = 0,  // launcher to client, when the launcher tears down
  MSG_HEARTBEAT = 1,
  MSG_UPDATEURL = 2,       // payload: the URL as UTF-8, no terminator
  MSG_EXITPROCESS = 3,
};

struct MessageHeader {
  std::uint32_t type = 0;
  std::uint32_t length = 0;  // header included
};

inline constexpr unsigned kMessageHeaderSize = 8;
// Longest message a receiver takes, header included: 4 MiB, the launcher's
// receive buffer as first made. The longest URL Chromium takes is 2 MiB, and
// a length beyond this is a peer's word that would have the buffer grow
// toward 4 GiB.
inline constexpr unsigned kMaxMessageLength = 4194304;

// Header and payload in one buffer, ready for one Send.
std::vector<std::uint8_t> EncodeMessage(std::uint32_t type, std::string_view payload = {});

// Reads the header from the first kMessageHeaderSize bytes of `bytes`.
MessageHeader DecodeMessageHeader(const std::uint8_t* bytes);
