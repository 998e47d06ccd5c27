#pragma once
// The fixed 6192-byte message exchanged on the crash server's pipe, in both
// directions. Little-endian; addresses and handles are 32 bits wide.
//
//   0  tag                    4  id (client pid / server pid in the response)
//   8  minidump type flags   12  address of the crashing-thread-id variable
//  16  address of the exception-pointers variable
//  20  address of the assertion-information record
//  24  address of the custom information entries   28  their count
//  32  dump-request handle   36  dump-generated handle   40  server-alive handle
//  44  upload payload: 16 entries of 384 bytes    6188  entries in use

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "outside/crash_generation/upload_payload.h"

namespace google_breakpad {

inline constexpr size_t kCrashMessageSize = 6192;
inline constexpr size_t kUploadPayloadOffset = 44;
inline constexpr size_t kUploadEntrySize = 384;
inline constexpr size_t kUploadCountOffset = 6188;

enum MessageTag : uint32_t {
  kRegistrationRequest = 1,
  kRegistrationResponse = 2,
  kRegistrationAck = 3,
  kUploadRequest = 4,
};

// On this platform the three handles travel as descriptors attached to the
// response; each handle field holds the position of its descriptor there.
enum ResponseDescriptor : uint32_t {
  kDumpRequestDescriptor = 0,
  kDumpGeneratedDescriptor = 1,
  kServerAliveDescriptor = 2,
  kResponseDescriptorCount = 3,
};

struct CrashMessage {
  uint32_t tag = 0;
  uint32_t id = 0;
  uint32_t dump_type = 0;
  uint32_t thread_id_address = 0;
  uint32_t exception_pointers_address = 0;
  uint32_t assertion_info_address = 0;
  uint32_t custom_info_address = 0;
  uint32_t custom_info_count = 0;
  uint32_t dump_request_handle = 0;
  uint32_t dump_generated_handle = 0;
  uint32_t server_alive_handle = 0;
  UploadPayload upload;
};

using CrashMessageBytes = std::array<uint8_t, kCrashMessageSize>;

CrashMessageBytes EncodeCrashMessage(const CrashMessage& message);
CrashMessage DecodeCrashMessage(std::span<const uint8_t, kCrashMessageSize> bytes);

enum class RequestVerdict {
  kServable,
  kUnexpectedTag,          // not a request a client may send first
  kMissingRegistrationField,
  kTooManyUploadEntries,
  kUnterminatedUploadText,
};

// A registration needs the id and the three crash-info addresses; an upload
// needs a payload that can be read without running past its entries.
RequestVerdict CheckRequest(const CrashMessage& message);

}  // namespace google_breakpad
