#include "outside/crash_generation/crash_message.h"

#include <gtest/gtest.h>

#include <string>

namespace google_breakpad {
namespace {

uint32_t Load32(const CrashMessageBytes& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

CrashMessage ValidRegistration() {
  CrashMessage message;
  message.tag = kRegistrationRequest;
  message.id = 4242;
  message.thread_id_address = 0x1000;
  message.exception_pointers_address = 0x2000;
  message.assertion_info_address = 0x3000;
  return message;
}

CrashMessage ValidUpload() {
  CrashMessage message;
  message.tag = kUploadRequest;
  message.id = 4242;
  EXPECT_TRUE(SetUploadEntry(message.upload, 0, u"log", u"qelLog_1.log"));
  EXPECT_TRUE(SetUploadEntry(message.upload, 1, u"url", u"http://127.0.0.1/crashReport"));
  return message;
}

TEST(CrashMessage, HeaderFieldsSitAtTheirOffsetsLittleEndian) {
  CrashMessage message;
  struct Field {
    uint32_t CrashMessage::*member;
    size_t offset;
  };
  const Field fields[] = {
      {&CrashMessage::tag, 0},
      {&CrashMessage::id, 4},
      {&CrashMessage::dump_type, 8},
      {&CrashMessage::thread_id_address, 12},
      {&CrashMessage::exception_pointers_address, 16},
      {&CrashMessage::assertion_info_address, 20},
      {&CrashMessage::custom_info_address, 24},
      {&CrashMessage::custom_info_count, 28},
      {&CrashMessage::dump_request_handle, 32},
      {&CrashMessage::dump_generated_handle, 36},
      {&CrashMessage::server_alive_handle, 40},
  };
  uint32_t value = 0x01020304;
  for (const Field& field : fields) message.*field.member = value++;
  message.upload.count = 0xa1b2c3d4;

  const CrashMessageBytes bytes = EncodeCrashMessage(message);
  ASSERT_EQ(bytes.size(), 6192u);
  value = 0x01020304;
  for (const Field& field : fields) {
    EXPECT_EQ(bytes[field.offset], value & 0xff) << "offset " << field.offset;
    EXPECT_EQ(Load32(bytes, field.offset), value++) << "offset " << field.offset;
  }
  EXPECT_EQ(Load32(bytes, 6188), 0xa1b2c3d4u);
}

TEST(CrashMessage, UploadEntriesAreUtf16At44With384BytesEach) {
  CrashMessage message;
  ASSERT_TRUE(SetUploadEntry(message.upload, 0, u"log", u"qelLog_\u4e2d.log"));
  ASSERT_TRUE(SetUploadEntry(message.upload, 15, u"last", u"v"));
  const CrashMessageBytes bytes = EncodeCrashMessage(message);

  EXPECT_EQ(bytes[44], 'l');
  EXPECT_EQ(bytes[45], 0);
  EXPECT_EQ(bytes[44 + 6], 0);  // name terminator after "log"
  const size_t value0 = 44 + 128;
  EXPECT_EQ(bytes[value0], 'q');
  EXPECT_EQ(bytes[value0 + 14], 0x2d);  // U+4E2D, low byte first
  EXPECT_EQ(bytes[value0 + 15], 0x4e);
  const size_t entry15 = 44 + 15 * 384;
  EXPECT_EQ(bytes[entry15], 'l');
  EXPECT_EQ(bytes[entry15 + 128], 'v');
  EXPECT_EQ(Load32(bytes, 6188), 16u);

  const CrashMessage decoded = DecodeCrashMessage(bytes);
  EXPECT_EQ(decoded.upload.count, 16u);
  EXPECT_EQ(TerminatedText(decoded.upload.entries[0].value, kUploadValueLength), u"qelLog_\u4e2d.log");
  EXPECT_EQ(TerminatedText(decoded.upload.entries[15].name, kUploadNameLength), u"last");
  EXPECT_EQ(EncodeCrashMessage(decoded), bytes);
}

TEST(CrashMessage, RequestVerdicts) {
  struct Case {
    std::string name;
    CrashMessage message;
    RequestVerdict verdict;
  };
  std::vector<Case> cases;
  cases.push_back({"full registration", ValidRegistration(), RequestVerdict::kServable});
  for (uint32_t CrashMessage::*field : {&CrashMessage::id, &CrashMessage::thread_id_address,
                                        &CrashMessage::exception_pointers_address,
                                        &CrashMessage::assertion_info_address}) {
    CrashMessage message = ValidRegistration();
    message.*field = 0;
    cases.push_back({"registration missing a field", message, RequestVerdict::kMissingRegistrationField});
  }
  CrashMessage all_zero;
  all_zero.tag = kRegistrationRequest;
  cases.push_back({"tag 1 with zero fields", all_zero, RequestVerdict::kMissingRegistrationField});
  CrashMessage no_custom_info = ValidRegistration();
  no_custom_info.custom_info_address = 0;
  cases.push_back({"registration without custom info", no_custom_info, RequestVerdict::kServable});

  cases.push_back({"upload", ValidUpload(), RequestVerdict::kServable});
  CrashMessage empty_upload;
  empty_upload.tag = kUploadRequest;
  cases.push_back({"upload without entries", empty_upload, RequestVerdict::kServable});
  CrashMessage full = ValidUpload();
  for (size_t i = 0; i < kUploadEntryCount; ++i) {
    ASSERT_TRUE(SetUploadEntry(full.upload, i, std::u16string(63, u'n'), std::u16string(127, u'v')));
  }
  cases.push_back({"sixteen entries at full length", full, RequestVerdict::kServable});
  CrashMessage seventeen = ValidUpload();
  seventeen.upload.count = 17;
  cases.push_back({"count 17", seventeen, RequestVerdict::kTooManyUploadEntries});
  CrashMessage huge = ValidUpload();
  huge.upload.count = 0xffffffff;
  cases.push_back({"count 2^32-1", huge, RequestVerdict::kTooManyUploadEntries});
  CrashMessage open_name = ValidUpload();
  std::fill(std::begin(open_name.upload.entries[1].name), std::end(open_name.upload.entries[1].name), u'x');
  cases.push_back({"name without terminator", open_name, RequestVerdict::kUnterminatedUploadText});
  CrashMessage open_value = ValidUpload();
  std::fill(std::begin(open_value.upload.entries[0].value), std::end(open_value.upload.entries[0].value), u'x');
  cases.push_back({"value without terminator", open_value, RequestVerdict::kUnterminatedUploadText});
  CrashMessage unused_entry = ValidUpload();
  std::fill(std::begin(unused_entry.upload.entries[5].name), std::end(unused_entry.upload.entries[5].name), u'x');
  cases.push_back({"garbage past count is not read", unused_entry, RequestVerdict::kServable});

  for (uint32_t tag : {0u, 2u, 3u, 5u, 0x01000000u}) {
    CrashMessage message = ValidRegistration();
    message.tag = tag;
    cases.push_back({"tag " + std::to_string(tag), message, RequestVerdict::kUnexpectedTag});
  }

  for (const Case& c : cases) {
    // Through the wire form, as the server sees it.
    const CrashMessage received = DecodeCrashMessage(EncodeCrashMessage(c.message));
    EXPECT_EQ(CheckRequest(received), c.verdict) << c.name;
  }
}

TEST(UploadPayload, EntriesMustFitWithTheirTerminator) {
  struct Case {
    size_t index;
    size_t name_length;
    size_t value_length;
    bool fits;
  };
  const Case cases[] = {
      {0, 63, 127, true}, {0, 64, 1, false}, {0, 1, 128, false}, {15, 1, 1, true}, {16, 1, 1, false},
  };
  for (const Case& c : cases) {
    UploadPayload payload;
    const bool set = SetUploadEntry(payload, c.index, std::u16string(c.name_length, u'n'),
                                    std::u16string(c.value_length, u'v'));
    EXPECT_EQ(set, c.fits) << c.index << "/" << c.name_length << "/" << c.value_length;
    EXPECT_EQ(payload.count, c.fits ? c.index + 1 : 0u);
    EXPECT_TRUE(IsWellFormed(payload));
  }
}

}  // namespace
}  // namespace google_breakpad
