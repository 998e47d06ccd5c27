#include "zerozedev/pipe/pipe_channel_impl.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "tests/zerozedev/pipe/recording_receiver.h"
#include "tests/zerozedev/pipe/wire_bytes.h"
#include "zerozedev/pipe/pipe_message.h"
#include "zerozedev/pipe/pipe_name.h"

namespace {

using namespace std::chrono_literals;
using veska_test::WaitUntil;

std::string Pattern(char seed, std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + i % 23);
  return text;
}

void SendMessage(PipeChannel& channel, std::uint32_t type, const std::string& payload = {}) {
  const auto bytes = EncodeMessage(type, payload);
  channel.Send(bytes.data(), static_cast<unsigned>(bytes.size()));
}

class PipeTransport : public testing::Test {
 protected:
  std::unique_ptr<PipeChannelImpl> ConnectClient(RecordingReceiver& receiver) {
    auto client = CreateClientPipeChannel(&receiver);
    EXPECT_TRUE(client);
    if (!client) return nullptr;
    client->Start(64 * 1024);
    EXPECT_TRUE(client->Connect(server->GetName())) << client->FailureReason();
    return client;
  }
  void StartServer() {
    std::string failure;
    server = CreatePipeChannel(&server_rx, &failure);
    ASSERT_TRUE(server) << failure;
  }

  veska_test::TempDir runtime;
  veska_test::ScopedEnv runtime_env{"XDG_RUNTIME_DIR", runtime.str()};
  // Receivers outlive the channels that call them.
  RecordingReceiver server_rx;
  RecordingReceiver client_rx;
  std::unique_ptr<PipeChannelImpl> server;
  std::unique_ptr<PipeChannelImpl> client;
};

TEST_F(PipeTransport, NameComesWithStartAndTheSocketGoesWithClose) {
  PipeChannelImpl channel(&server_rx, PipeChannelImpl::Role::kServer);
  EXPECT_EQ(channel.GetName(), "");
  channel.Start(1024);
  const std::string name = channel.GetName();
  const std::string pid_part = std::to_string(getpid()) + "_";
  ASSERT_EQ(name.rfind(pid_part, 0), 0u) << name;
  const std::string draw = name.substr(pid_part.size());
  EXPECT_TRUE(!draw.empty() && draw.find_first_not_of("0123456789") == std::string::npos) << name;
  const auto socket = runtime.path() / "veska" / "pipe" / ("np." + name);
  EXPECT_TRUE(std::filesystem::is_socket(socket));
  channel.Close(5);
  channel.Wait();
  EXPECT_FALSE(std::filesystem::exists(socket));
}

TEST(PipeName, FirstDrawsOfAProcessFollowTheDefaultSeed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A fresh process, so that no earlier draw of this one interferes.
  EXPECT_EXIT(
      {
        const std::string pid = std::to_string(getpid());
        const bool ok = DrawPipeShortName() == pid + "_3499211612" &&
                        DrawPipeShortName() == pid + "_581869302";
        std::exit(ok ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(PipeNameForShortName("4242_3499211612"), "\\\\.\\pipe\\np.4242_3499211612");
}

TEST_F(PipeTransport, CloseThenWaitJoinsAndASecondCloseDoesNothing) {
  StartServer();
  server->Close(5);
  EXPECT_TRUE(server->LoopThreadJoinable());  // the loop let go within the first second
  server->Close(5);
  EXPECT_TRUE(server->LoopThreadJoinable());
  server->Wait();
  EXPECT_FALSE(server->LoopThreadJoinable());
}

TEST_F(PipeTransport, CloseZeroLeavesTheLoopToEndOnItsOwnSafely) {
  StartServer();
  client = ConnectClient(client_rx);
  SendMessage(*client, MSG_HEARTBEAT);
  ASSERT_TRUE(WaitUntil([&] { return server_rx.MessageCount() == 1; }));
  server->Close(0);
  EXPECT_FALSE(server->LoopThreadJoinable());
  // The receiver is cut off when the channel goes, even with the loop
  // thread still finishing.
  server.reset();
  SendMessage(*client, MSG_HEARTBEAT);
  EXPECT_TRUE(WaitUntil([&] { return client_rx.errors == 1; }));
  EXPECT_TRUE(PipeChannelImpl::WaitForLoopThreads(10s));  // both loops ended
  EXPECT_EQ(server_rx.MessageCount(), 1u);
}

TEST_F(PipeTransport, MessagesFromThreeThreadsArriveWholeInQueueOrder) {
  StartServer();
  client = ConnectClient(client_rx);
  // Large enough that the socket cannot take a message in one write.
  constexpr std::size_t kSize = 1 << 20;
  std::mutex order_mutex;
  std::vector<char> queued_order;
  std::vector<std::thread> senders;
  for (char seed : {'a', 'k', 'u'}) {
    senders.emplace_back([&, seed] {
      const auto bytes = EncodeMessage(MSG_UPDATEURL, Pattern(seed, kSize));
      std::lock_guard<std::mutex> lock(order_mutex);
      client->Send(bytes.data(), static_cast<unsigned>(bytes.size()));
      queued_order.push_back(seed);
    });
  }
  for (auto& sender : senders) sender.join();
  ASSERT_TRUE(WaitUntil([&] { return server_rx.MessageCount() == 3; }, 20s));
  const auto messages = server_rx.Messages();
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(messages[i].type, MSG_UPDATEURL);
    EXPECT_TRUE(messages[i].payload == Pattern(queued_order[i], kSize)) << "message " << i;
  }
  EXPECT_EQ(server_rx.errors, 0);
}

TEST_F(PipeTransport, MessageLargerThanTheReceiveBufferArrivesWhole) {
  StartServer();
  client = ConnectClient(client_rx);  // a 64 KiB buffer
  const std::string payload = Pattern('0', (1 << 20) + 12345);
  SendMessage(*server, MSG_UPDATEURL, payload);
  SendMessage(*server, MSG_HEARTBEAT);
  ASSERT_TRUE(WaitUntil([&] { return client_rx.MessageCount() == 2; }, 20s));
  EXPECT_TRUE(client_rx.Messages()[0].payload == payload);
  EXPECT_EQ(client_rx.Messages()[1], (ReceivedMessage{MSG_HEARTBEAT, ""}));
}

TEST_F(PipeTransport, ClientLeavingGivesOneErrorAndTheServerKeepsRunning) {
  StartServer();
  client = ConnectClient(client_rx);
  client->Close(5);
  client->Wait();
  client.reset();
  ASSERT_TRUE(WaitUntil([&] { return server_rx.errors == 1; }));
  // Writing to the departed client is dropped, not fatal.
  SendMessage(*server, MSG_CLOSING_NOTICE);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(server_rx.errors, 1);
  EXPECT_TRUE(server->LoopThreadJoinable());

  // Still serving: a newcomer is accepted and turned away at once.
  RecordingReceiver late_rx;
  auto late = ConnectClient(late_rx);
  EXPECT_TRUE(WaitUntil([&] { return late_rx.errors == 1; }));
  server->Close(5);
  EXPECT_TRUE(server->LoopThreadJoinable());
  server->Wait();
  late->Close(5);
  late->Wait();
}

TEST_F(PipeTransport, SecondClientIsTurnedAwayWhileTheFirstIsServed) {
  StartServer();
  client = ConnectClient(client_rx);
  RecordingReceiver second_rx;
  auto second = ConnectClient(second_rx);
  EXPECT_TRUE(WaitUntil([&] { return second_rx.errors == 1; }));

  SendMessage(*client, MSG_UPDATEURL, "still here");
  SendMessage(*server, MSG_CLOSING_NOTICE);
  ASSERT_TRUE(WaitUntil([&] { return server_rx.MessageCount() == 1 && client_rx.MessageCount() == 1; }));
  EXPECT_EQ(server_rx.Messages()[0], (ReceivedMessage{MSG_UPDATEURL, "still here"}));
  EXPECT_EQ(client_rx.Messages()[0], (ReceivedMessage{MSG_CLOSING_NOTICE, ""}));
  EXPECT_EQ(server_rx.errors, 0);
}

TEST_F(PipeTransport, ProtocolErrorDropsTheConnectionAndEndsTheServerLoop) {
  StartServer();
  client = ConnectClient(client_rx);
  SendMessage(*client, MSG_HEARTBEAT);
  SendMessage(*client, 7);
  SendMessage(*client, MSG_HEARTBEAT);
  ASSERT_TRUE(WaitUntil([&] { return server_rx.errors == 1 && client_rx.errors == 1; }));
  EXPECT_EQ(server_rx.Messages(), (std::vector<ReceivedMessage>{{MSG_HEARTBEAT, ""}}));
  SendMessage(*server, MSG_CLOSING_NOTICE);  // after the close: dropped
  server->Close(5);                          // nothing left to close
  server->Wait();
  EXPECT_EQ(client_rx.MessageCount(), 0u);
}

TEST_F(PipeTransport, LengthBeyondTheLimitDropsThePeerAtOnce) {
  StartServer();
  client = ConnectClient(client_rx);
  SendMessage(*client, MSG_HEARTBEAT);
  const std::string header = Header(MSG_UPDATEURL, 0xFFFFFFF0u);
  const std::string claimed = header + Pattern('a', 1 << 20);
  client->Send(claimed.data(), static_cast<unsigned>(claimed.size()));
  ASSERT_TRUE(WaitUntil([&] { return server_rx.errors == 1 && client_rx.errors == 1; }, 10s));
  EXPECT_EQ(server_rx.Messages(), (std::vector<ReceivedMessage>{{MSG_HEARTBEAT, ""}}));
  server->Close(5);
  server->Wait();
}

// Takes every byte and consumes none, as a receiver with no limit of its own
// would while a peer streams one endless message.
class HoardingReceiver : public PipeChannel::ReadCallback {
 public:
  bool InitPipeChannel() override { return false; }
  bool OnRead(ReceiveBuffer& buffer) override {
    held = buffer.used;
    return true;
  }
  void OnError() override { ++errors; }
  std::atomic<unsigned> held{0};
  std::atomic<int> errors{0};
};

TEST_F(PipeTransport, BufferStopsGrowingAtItsLimitAndThePeerIsDropped) {
  HoardingReceiver hoarder;
  std::string failure;
  auto hoarding_server = CreatePipeChannel(&hoarder, &failure);  // goes before its receiver
  ASSERT_TRUE(hoarding_server) << failure;
  auto streaming_client = CreateClientPipeChannel(&client_rx);
  streaming_client->Start(64 * 1024);
  ASSERT_TRUE(streaming_client->Connect(hoarding_server->GetName()));
  const std::string endless = Pattern('z', 12u << 20);
  streaming_client->Send(endless.data(), static_cast<unsigned>(endless.size()));
  ASSERT_TRUE(WaitUntil([&] { return hoarder.errors == 1 && client_rx.errors == 1; }, 30s));
  EXPECT_EQ(hoarder.held.load(), kMaxReceiveBufferSize);
  hoarding_server->Close(5);
  hoarding_server->Wait();
}

TEST_F(PipeTransport, ConnectFailsWhenNobodyServesTheName) {
  client = CreateClientPipeChannel(&client_rx);
  ASSERT_TRUE(client);
  EXPECT_FALSE(client->Connect("1_1"));
  EXPECT_NE(client->FailureReason().find("cannot connect"), std::string::npos)
      << client->FailureReason();  // refused at once, not timed out
}

struct FolderCase {
  const char* name;
  mode_t mode;
  uid_t owner;
};

class PrivateRuntimeFolder : public PipeTransport, public testing::WithParamInterface<FolderCase> {};

TEST_P(PrivateRuntimeFolder, PipeIsRefusedOutsideAPrivateFolder) {
  const auto folder = runtime.path() / "veska";
  std::filesystem::create_directory(folder);
  ASSERT_EQ(chmod(folder.c_str(), GetParam().mode), 0);
  if (chown(folder.c_str(), GetParam().owner, static_cast<gid_t>(-1)) != 0) {
    GTEST_SKIP() << "giving a folder to another user needs root";
  }

  std::string failure;
  EXPECT_FALSE(CreatePipeChannel(&server_rx, &failure));
  EXPECT_FALSE(failure.empty());
  client = CreateClientPipeChannel(&client_rx);
  EXPECT_FALSE(client->Connect("1_1"));
  EXPECT_FALSE(std::filesystem::exists(folder / "pipe"));
}

INSTANTIATE_TEST_SUITE_P(Folders, PrivateRuntimeFolder,
                         testing::Values(FolderCase{"OpenToOthers", 0777, getuid()},
                                         FolderCase{"OpenToTheGroup", 0770, getuid()},
                                         FolderCase{"OwnedByAnotherUser", 0700, 65534}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
