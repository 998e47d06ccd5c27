#include "outside/crash_generation/crash_message.h"

namespace google_breakpad {
namespace {

static_assert(kUploadPayloadOffset + kUploadEntryCount * kUploadEntrySize == kUploadCountOffset);
static_assert(kUploadCountOffset + 4 == kCrashMessageSize);
static_assert(kUploadEntrySize == 2 * (kUploadNameLength + kUploadValueLength));

// Explicit byte order, so the layout does not depend on the host.
void Store32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Load32(const uint8_t* at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

void StoreUnits(uint8_t* at, const char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    at[2 * i] = static_cast<uint8_t>(units[i] & 0xff);
    at[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
}

void LoadUnits(const uint8_t* at, char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    units[i] = static_cast<char16_t>(at[2 * i] | (at[2 * i + 1] << 8));
  }
}

// The fixed header fields in their wire order.
template <class Message, class Visit>
void ForEachHeaderField(Message& message, Visit visit) {
  visit(0, message.tag);
  visit(4, message.id);
  visit(8, message.dump_type);
  visit(12, message.thread_id_address);
  visit(16, message.exception_pointers_address);
  visit(20, message.assertion_info_address);
  visit(24, message.custom_info_address);
  visit(28, message.custom_info_count);
  visit(32, message.dump_request_handle);
  visit(36, message.dump_generated_handle);
  visit(40, message.server_alive_handle);
}

}  // namespace

CrashMessageBytes EncodeCrashMessage(const CrashMessage& message) {
  CrashMessageBytes bytes{};
  ForEachHeaderField(message, [&](size_t offset, uint32_t value) { Store32(&bytes[offset], value); });
  for (size_t i = 0; i < kUploadEntryCount; ++i) {
    uint8_t* entry = &bytes[kUploadPayloadOffset + i * kUploadEntrySize];
    StoreUnits(entry, message.upload.entries[i].name, kUploadNameLength);
    StoreUnits(entry + 2 * kUploadNameLength, message.upload.entries[i].value, kUploadValueLength);
  }
  Store32(&bytes[kUploadCountOffset], message.upload.count);
  return bytes;
}

CrashMessage DecodeCrashMessage(std::span<const uint8_t, kCrashMessageSize> bytes) {
  CrashMessage message;
  ForEachHeaderField(message, [&](size_t offset, uint32_t& field) { field = Load32(&bytes[offset]); });
  for (size_t i = 0; i < kUploadEntryCount; ++i) {
    const uint8_t* entry = &bytes[kUploadPayloadOffset + i * kUploadEntrySize];
    LoadUnits(entry, message.upload.entries[i].name, kUploadNameLength);
    LoadUnits(entry + 2 * kUploadNameLength, message.upload.entries[i].value, kUploadValueLength);
  }
  message.upload.count = Load32(&bytes[kUploadCountOffset]);
  return message;
}

RequestVerdict CheckRequest(const CrashMessage& message) {
  switch (message.tag) {
    case kRegistrationRequest:
      if (message.id == 0 || message.thread_id_address == 0 ||
          message.exception_pointers_address == 0 || message.assertion_info_address == 0) {
        return RequestVerdict::kMissingRegistrationField;
      }
      return RequestVerdict::kServable;
    case kUploadRequest:
      if (message.upload.count > kUploadEntryCount) return RequestVerdict::kTooManyUploadEntries;
      if (!IsWellFormed(message.upload)) return RequestVerdict::kUnterminatedUploadText;
      return RequestVerdict::kServable;
    default:
      return RequestVerdict::kUnexpectedTag;
  }
}

}  // namespace google_breakpad
