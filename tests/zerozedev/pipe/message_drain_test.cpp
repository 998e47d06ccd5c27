#include "zerozedev/pipe/message_drain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/zerozedev/pipe/wire_bytes.h"
#include "zerozedev/pipe/pipe_message.h"

namespace {

// Accepts the client's message types, as the launcher does.
class CountingSink : public MessageSink {
 public:
  bool OnHeader(const MessageHeader& header) override {
    ++headers;
    return header.type >= MSG_HEARTBEAT && header.type <= MSG_EXITPROCESS;
  }
  void OnMessage(const MessageHeader& header, std::string_view payload) override {
    messages.push_back(std::to_string(header.type) + ":" + std::string(payload));
  }
  int headers = 0;
  std::vector<std::string> messages;
};

struct Piece {
  std::string bytes;
  int headers_seen;  // OnHeader calls for this read
  int messages_after;
};

struct DrainCase {
  const char* name;
  std::vector<Piece> pieces;
  std::vector<std::string> messages;
  DrainResult last_result;
  std::string left_over;  // bytes still held after the last read
};

void PrintTo(const DrainCase& c, std::ostream* os) { *os << c.name; }

class DrainTest : public testing::TestWithParam<DrainCase> {};

TEST_P(DrainTest, FollowsTheReceiverRule) {
  const DrainCase& c = GetParam();
  std::vector<std::uint8_t> storage(256);
  ReceiveBuffer buffer{storage.data(), static_cast<unsigned>(storage.size()), 0};
  CountingSink sink;
  DrainOutcome outcome;
  for (std::size_t i = 0; i < c.pieces.size(); ++i) {
    const Piece& piece = c.pieces[i];
    std::copy(piece.bytes.begin(), piece.bytes.end(), storage.begin() + buffer.used);
    buffer.used += static_cast<unsigned>(piece.bytes.size());
    const int headers_before = sink.headers;
    outcome = DrainMessages(buffer, sink);
    EXPECT_EQ(sink.headers - headers_before, piece.headers_seen) << "read " << i;
    EXPECT_EQ(static_cast<int>(sink.messages.size()), piece.messages_after) << "read " << i;
  }
  EXPECT_EQ(sink.messages, c.messages);
  EXPECT_EQ(outcome.result, c.last_result);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(storage.data()), buffer.used), c.left_over);
}

const std::string kUrlHello = Message(MSG_UPDATEURL, "hello");
const std::string kUrlAbc = Message(MSG_UPDATEURL, "abc");

INSTANTIATE_TEST_SUITE_P(
    Cases, DrainTest,
    testing::Values(
        DrainCase{"TwoMessagesInOneRead",
                  {{Message(MSG_HEARTBEAT) + kUrlAbc, 2, 2}},
                  {"1:", "2:abc"}, DrainResult::kNeedMore, ""},
        // A header per read once 8 bytes are held; dispatched once, at the end.
        DrainCase{"OneMessageInThreePieces",
                  {{kUrlHello.substr(0, 3), 0, 0},
                   {kUrlHello.substr(3, 7), 1, 0},
                   {kUrlHello.substr(10), 1, 1}},
                  {"2:hello"}, DrainResult::kNeedMore, ""},
        // The launcher ignores a heartbeat's payload; here it must only be
        // consumed with its message.
        DrainCase{"HeartbeatWithPayloadIsConsumedWhole",
                  {{Header(MSG_HEARTBEAT, 12) + "wxyz" + Message(MSG_EXITPROCESS), 2, 2}},
                  {"1:wxyz", "3:"}, DrainResult::kNeedMore, ""},
        DrainCase{"EmptyUrl", {{Header(MSG_UPDATEURL, 8), 1, 1}}, {"2:"},
                  DrainResult::kNeedMore, ""},
        DrainCase{"PartialUpdateWaitsBehindAHeartbeat",
                  {{Message(MSG_HEARTBEAT) + kUrlAbc.substr(0, 5), 1, 1},
                   {kUrlAbc.substr(5), 1, 2}},
                  {"1:", "2:abc"}, DrainResult::kNeedMore, ""},
        DrainCase{"FiveBytesStayHeld",
                  {{Message(MSG_HEARTBEAT) + kUrlAbc.substr(0, 5), 1, 1}},
                  {"1:"}, DrainResult::kNeedMore, kUrlAbc.substr(0, 5)},
        // Nothing after an unknown type is interpreted.
        DrainCase{"ClosingNoticeIsUnknownToTheLauncher",
                  {{Message(MSG_CLOSING_NOTICE) + Message(MSG_HEARTBEAT), 1, 0}},
                  {}, DrainResult::kUnknownType,
                  Message(MSG_CLOSING_NOTICE) + Message(MSG_HEARTBEAT)},
        DrainCase{"TypeSevenAfterAHeartbeat",
                  {{Message(MSG_HEARTBEAT) + Message(7) + Message(MSG_HEARTBEAT), 2, 1}},
                  {"1:"}, DrainResult::kUnknownType, Message(7) + Message(MSG_HEARTBEAT)},
        DrainCase{"LengthZeroWouldNeverBeConsumed", {{Header(MSG_HEARTBEAT, 0), 1, 0}}, {},
                  DrainResult::kBadLength, Header(MSG_HEARTBEAT, 0)},
        DrainCase{"LengthSevenIsShorterThanTheHeader",
                  {{Header(MSG_UPDATEURL, 7) + "x", 1, 0}}, {}, DrainResult::kBadLength,
                  Header(MSG_UPDATEURL, 7) + "x"},
        DrainCase{"LengthAtTheLimitWaitsForItsBytes",
                  {{Header(MSG_UPDATEURL, kMaxMessageLength) + "x", 1, 0}}, {}, DrainResult::kNeedMore,
                  Header(MSG_UPDATEURL, kMaxMessageLength) + "x"},
        DrainCase{"LengthAboveTheLimitIsRefused",
                  {{Message(MSG_HEARTBEAT) + Header(MSG_UPDATEURL, kMaxMessageLength + 1) + "x", 2, 1}},
                  {"1:"}, DrainResult::kTooLong, Header(MSG_UPDATEURL, kMaxMessageLength + 1) + "x"}),
    [](const testing::TestParamInfo<DrainCase>& info) { return std::string(info.param.name); });

TEST(PipeMessage, LayoutIsLittleEndianWithTheTotalLength) {
  EXPECT_EQ(Message(MSG_CLOSING_NOTICE), std::string("\0\0\0\0\x08\0\0\0", 8));
  EXPECT_EQ(Message(MSG_HEARTBEAT), std::string("\x01\0\0\0\x08\0\0\0", 8));
  EXPECT_EQ(kUrlAbc, std::string("\x02\0\0\0\x0B\0\0\0abc", 11));
  const auto big = EncodeMessage(0x01020304u, std::string(0x10000, 'x'));
  const MessageHeader header = DecodeMessageHeader(big.data());
  EXPECT_EQ(header.type, 0x01020304u);
  EXPECT_EQ(header.length, 0x10008u);
}

}  // namespace
