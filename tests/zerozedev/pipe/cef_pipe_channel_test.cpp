#include "zerozedev/pipe/cef_pipe_channel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "tests/zerozedev/pipe/recording_receiver.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_server_channel.h"
#include "zerozedev/pipe/pipe_channel_impl.h"
#include "tests/zerozedev/pipe/wire_bytes.h"
#include "zerozedev/pipe/pipe_message.h"

namespace {

using namespace std::chrono_literals;
using veska_test::WaitUntil;

void SendBytes(PipeChannel& channel, const std::string& bytes) {
  channel.Send(bytes.data(), static_cast<unsigned>(bytes.size()));
}

// Callbacks are plain function pointers, so what they see goes to one
// process-wide list.
struct CallLog {
  std::mutex mutex;
  std::vector<std::string> calls;
  void Add(std::string call) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(calls, {});
  }
  std::size_t Count(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
  }
};
CallLog g_calls;

// Records every call, then does what the launcher's own callback does.
const ChannelCallback kRecordError{ChannelCallback::Plain{[](CefPipeChannel&) {
  g_calls.Add("onError");
}}};
const ChannelCallback kRecordHeartbeat{ChannelCallback::Plain{[](CefPipeChannel& owner) {
  g_calls.Add("onHeartBeat");
  owner.RecordHeartbeat();
}}};
const ChannelCallback kRecordUrl{
    ChannelCallback::WithText{[](CefPipeChannel& owner, const std::string& url) {
      g_calls.Add("onUpdateUrl:" + url);
      owner.UpdateUrl(url);
    }}};
const ChannelCallback kRecordExit{ChannelCallback::Plain{[](CefPipeChannel& owner) {
  g_calls.Add("onExitProcess");
  owner.SetRunning(false);
}}};

CallbackTable RecordingTable() {
  CallbackTable table;
  table.Register("onError", &kRecordError);
  table.Register("onHeartBeat", &kRecordHeartbeat);
  table.Register("onUpdateUrl", &kRecordUrl);
  table.Register("onExitProcess", &kRecordExit);
  return table;
}

struct ReadStep {
  std::string bytes;
  std::string lines;  // standard output of this read
  bool result;
};

struct OnReadCase {
  const char* name;
  std::vector<ReadStep> reads;
  std::vector<std::string> calls;
};

void PrintTo(const OnReadCase& c, std::ostream* os) { *os << c.name; }

class ServerChannelOnRead : public testing::TestWithParam<OnReadCase> {};

TEST_P(ServerChannelOnRead, WritesTheLinesAndDispatchesByName) {
  CefPipeChannel owner;
  Cef_ServerChannel receiver(owner, RecordingTable());
  std::vector<std::uint8_t> storage(256);
  ReceiveBuffer buffer{storage.data(), static_cast<unsigned>(storage.size()), 0};
  g_calls.Take();
  // No loop thread of an earlier test may write into the captured output.
  ASSERT_TRUE(PipeChannelImpl::WaitForLoopThreads(10s));
  for (std::size_t i = 0; i < GetParam().reads.size(); ++i) {
    const ReadStep& read = GetParam().reads[i];
    std::copy(read.bytes.begin(), read.bytes.end(), storage.begin() + buffer.used);
    buffer.used += static_cast<unsigned>(read.bytes.size());
    testing::internal::CaptureStdout();
    const bool result = receiver.OnRead(buffer);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), read.lines) << "read " << i;
    EXPECT_EQ(result, read.result) << "read " << i;
  }
  EXPECT_EQ(g_calls.Take(), GetParam().calls);
}

const std::string kUrlHello = Message(MSG_UPDATEURL, "hello");

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerChannelOnRead,
    testing::Values(
        OnReadCase{"TwoMessagesInOneRead",
                   {{Message(MSG_HEARTBEAT) + Message(MSG_UPDATEURL, "abc"),
                     "receving MSG_HEARTBEAT\nreceving MSG_UPDATEURL\n", true}},
                   {"onHeartBeat", "onUpdateUrl:abc"}},
        OnReadCase{"LinePerPieceThatHoldsTheHeader",
                   {{kUrlHello.substr(0, 3), "", true},
                    {kUrlHello.substr(3, 7), "receving MSG_UPDATEURL\n", true},
                    {kUrlHello.substr(10), "receving MSG_UPDATEURL\n", true}},
                   {"onUpdateUrl:hello"}},
        OnReadCase{"HeartbeatPayloadIsSkipped",
                   {{Header(MSG_HEARTBEAT, 12) + "wxyz" + Message(MSG_EXITPROCESS),
                     "receving MSG_HEARTBEAT\nreceving MSG_EXITPROCESS\n", true}},
                   {"onHeartBeat", "onExitProcess"}},
        OnReadCase{"EmptyUrl", {{Header(MSG_UPDATEURL, 8), "receving MSG_UPDATEURL\n", true}},
                   {"onUpdateUrl:"}},
        OnReadCase{"HeartbeatThenFiveBytesOfAnUpdate",
                   {{Message(MSG_HEARTBEAT) + Message(MSG_UPDATEURL, "abc").substr(0, 5),
                     "receving MSG_HEARTBEAT\n", true},
                    {Message(MSG_UPDATEURL, "abc").substr(5), "receving MSG_UPDATEURL\n", true}},
                   {"onHeartBeat", "onUpdateUrl:abc"}},
        OnReadCase{"ClosingNoticeIsAProtocolError",
                   {{Message(MSG_CLOSING_NOTICE), "receving unknown msg: 0\n", false}},
                   {"onError"}},
        OnReadCase{"TypeSevenIsAProtocolError",
                   {{Message(7) + Message(MSG_HEARTBEAT), "receving unknown msg: 7\n", false}},
                   {"onError"}},
        OnReadCase{"LengthBelowTheHeaderIsAProtocolError",
                   {{Header(MSG_HEARTBEAT, 0), "receving MSG_HEARTBEAT\n", false}},
                   {"onError"}},
        // A peer's word alone must not make the launcher hold gigabytes.
        OnReadCase{"LengthAboveTheLimitIsAProtocolError",
                   {{Header(MSG_UPDATEURL, 0xFFFFFFF0u) + "abc", "receving MSG_UPDATEURL\n", false}},
                   {"onError"}}),
    [](const testing::TestParamInfo<OnReadCase>& info) { return std::string(info.param.name); });

TEST(ServerChannelDispatch, UnregisteredNameConsumesTheMessageWithoutEffect) {
  CefPipeChannel owner;
  CallbackTable table;
  table.Register("onUpdateUrl", &kRecordUrl);
  Cef_ServerChannel receiver(owner, table);
  const std::string bytes = Message(MSG_HEARTBEAT) + Message(MSG_UPDATEURL, "x");
  std::vector<std::uint8_t> storage(bytes.begin(), bytes.end());
  ReceiveBuffer buffer{storage.data(), static_cast<unsigned>(storage.size()),
                       static_cast<unsigned>(storage.size())};
  g_calls.Take();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(receiver.OnRead(buffer));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(buffer.used, 0u);
  EXPECT_EQ(g_calls.Take(), std::vector<std::string>{"onUpdateUrl:x"});
  EXPECT_FALSE(owner.HeartbeatSeen());
}

TEST(CallbackTableTest, SixteenSlotsAndTheFirstNameWins) {
  CallbackTable table;
  EXPECT_TRUE(table.Register("onHeartBeat", &kRecordHeartbeat));
  EXPECT_TRUE(table.Register("onHeartBeat", &kRecordExit));
  EXPECT_TRUE(table.Register("a-name-much-longer-than-thirty-one-characters", &kRecordError));
  for (int i = 3; i < 16; ++i) EXPECT_TRUE(table.Register("x", &kRecordError));
  EXPECT_FALSE(table.Register("onUpdateUrl", &kRecordUrl));
  EXPECT_EQ(table.count, 16);
  EXPECT_EQ(table.Find("onHeartBeat")->callback, &kRecordHeartbeat);
  EXPECT_EQ(table.Find("onUpdateUrl"), nullptr);
  EXPECT_EQ(table.Find("onheartbeat"), nullptr);  // case matters
  EXPECT_STREQ(table.slots[2].name, "a-name-much-longer-than-thirty-");
}

class ClientChannel : public testing::Test {
 protected:
  // A client-role transport connected to `name`, as the classroom client uses.
  std::unique_ptr<PipeChannelImpl> ConnectClient(const std::string& name) {
    auto client = CreateClientPipeChannel(&client_rx);
    client->Start(64 * 1024);
    EXPECT_TRUE(client->Connect(name)) << client->FailureReason();
    return client;
  }

  veska_test::TempDir folder;
  veska_test::ScopedEnv runtime_env{"XDG_RUNTIME_DIR", folder.str()};
  veska_test::ScopedEnv data_env{"XDG_DATA_HOME", (folder / "data").string()};
  RecordingReceiver client_rx;
};

TEST_F(ClientChannel, ProtocolErrorCallsOnErrorTwiceAndKeepsTheState) {
  CefPipeChannel owner;
  auto receiver = std::make_unique<Cef_ServerChannel>(owner, RecordingTable());
  ASSERT_TRUE(receiver->InitPipeChannel());
  auto client = ConnectClient(receiver->GetName());
  g_calls.Take();
  SendBytes(*client, Message(MSG_UPDATEURL, "abc") + Message(MSG_HEARTBEAT));
  ASSERT_TRUE(WaitUntil([&] { return owner.HeartbeatSeen(); }));
  owner.ClearHeartbeatSeen();
  SendBytes(*client, Message(7) + Message(MSG_UPDATEURL, "lost"));

  // Once from the receiver, once from the transport after it closed.
  ASSERT_TRUE(WaitUntil([&] { return g_calls.Count("onError") == 2 && client_rx.errors == 1; }));
  EXPECT_EQ(g_calls.Take(),
            (std::vector<std::string>{"onUpdateUrl:abc", "onHeartBeat", "onError", "onError"}));
  EXPECT_EQ(owner.GetLatestUrl(), "abc");
  EXPECT_FALSE(owner.HeartbeatSeen());
  receiver.reset();
  client->Close(5);
  client->Wait();
}

TEST_F(ClientChannel, SecondCreateKeepsTheFirstPipe) {
  CefPipeChannel channel;
  EXPECT_EQ(channel.GetPipeName(), "");
  ASSERT_TRUE(channel.CreateCefPipe());
  const std::string name = channel.GetPipeName();
  EXPECT_FALSE(name.empty());
  EXPECT_TRUE(channel.CreateCefPipe());
  EXPECT_EQ(channel.GetPipeName(), name);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "veska" / "pipe"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(ClientChannel, MessagesBecomeState) {
  CefPipeChannel channel;
  ASSERT_TRUE(channel.CreateCefPipe());
  channel.SetRunning(true);
  std::this_thread::sleep_for(50ms);
  const std::int64_t age_before = channel.GetHeartbeatAgeMs();
  EXPECT_GE(age_before, 50);
  EXPECT_FALSE(channel.HeartbeatSeen());

  auto client = ConnectClient(channel.GetPipeName());
  SendBytes(*client, Message(MSG_UPDATEURL, "abc") + Message(MSG_HEARTBEAT));
  ASSERT_TRUE(WaitUntil([&] { return channel.HeartbeatSeen(); }));
  EXPECT_LT(channel.GetHeartbeatAgeMs(), age_before);
  EXPECT_EQ(channel.GetLatestUrl(), "abc");

  // An empty update replaces the address; an exit request is not undone by
  // a later heartbeat.
  channel.ClearHeartbeatSeen();
  SendBytes(*client, Message(MSG_UPDATEURL) + Message(MSG_EXITPROCESS) + Message(MSG_HEARTBEAT));
  ASSERT_TRUE(WaitUntil([&] { return channel.HeartbeatSeen(); }));
  EXPECT_EQ(channel.GetLatestUrl(), "");
  EXPECT_FALSE(channel.IsRunning());
  client->Close(5);
  client->Wait();
}

TEST_F(ClientChannel, DestroyingTheChannelSendsTheClosingNotice) {
  auto channel = std::make_shared<CefPipeChannel>();
  ASSERT_TRUE(channel->CreateCefPipe());
  auto client = ConnectClient(channel->GetPipeName());
  SendBytes(*client, Message(MSG_HEARTBEAT));
  ASSERT_TRUE(WaitUntil([&] { return channel->HeartbeatSeen(); }));
  channel.reset();
  ASSERT_TRUE(WaitUntil([&] { return client_rx.errors == 1; }));
  EXPECT_EQ(client_rx.Messages(), (std::vector<ReceivedMessage>{{MSG_CLOSING_NOTICE, ""}}));
  client->Wait();
}

TEST_F(ClientChannel, RefusedFolderFailsTheCreateUntilItIsFixed) {
  LauncherLog::Instance().Open("pipe_test");
  const auto runtime = folder / "veska";
  std::filesystem::create_directory(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::all);

  CefPipeChannel channel;
  EXPECT_FALSE(channel.CreateCefPipe());
  EXPECT_EQ(channel.GetPipeName(), "");
  EXPECT_NE(channel.PipeFailure().find(runtime.string() + " is open to group or others"), std::string::npos)
      << channel.PipeFailure();

  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  ASSERT_TRUE(channel.CreateCefPipe());
  EXPECT_EQ(channel.PipeFailure(), "");
  auto client = ConnectClient(channel.GetPipeName());
  SendBytes(*client, Message(MSG_HEARTBEAT));
  EXPECT_TRUE(WaitUntil([&] { return channel.HeartbeatSeen(); }));
  client->Close(5);
  client->Wait();

  LauncherLog::Instance().Shutdown();
  std::string records;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder / "data")) {
    if (entry.is_regular_file()) records += veska_test::ReadFile(entry.path());
  }
  EXPECT_NE(records.find("|4|cef_pipe_channel|"), std::string::npos) << records;
  EXPECT_NE(records.find("|CefPipeChannel::CreateCefPipe|InitPipeChannel failed"),
            std::string::npos)
      << records;
}

}  // namespace
