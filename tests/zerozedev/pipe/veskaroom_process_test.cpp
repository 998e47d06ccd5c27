// The substitute classroom client as a real process, against the launcher's
// channel and the hand-off pipe.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/pipe_client.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "tests/zerozedev/pipe/recording_receiver.h"
#include "tools/veskaroom/client_options.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/pipe/pipe_channel_impl.h"

namespace {

using namespace std::chrono_literals;
using veska_test::SplitLines;
using veska_test::WaitUntil;

constexpr char kHandoffPipe[] = "\\\\.\\Pipe\\REZERU_veskaroom";

class Veskaroom : public testing::Test {
 protected:
  std::vector<std::string> Env() const { return {"XDG_RUNTIME_DIR=" + folder.str()}; }
  std::string RecordPath(const std::string& name) const { return (folder / name).string(); }
  std::vector<std::string> Record(const std::string& name) const {
    return SplitLines(veska_test::ReadFile(folder / name));
  }
  bool Recorded(const std::string& name, const std::string& line) const {
    if (!std::filesystem::exists(folder / name)) return false;
    const auto lines = Record(name);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  veska_test::ChildProcess Start(const std::vector<std::string>& args) const {
    return veska_test::ChildProcess(VESKAROOM_EXE, args, Env());
  }

  veska_test::TempDir folder;
  veska_test::ScopedEnv runtime_env{"XDG_RUNTIME_DIR", folder.str()};
};

TEST_F(Veskaroom, TalksToTheLauncherChannelAndEndsOnTheClosingNotice) {
  auto channel = std::make_shared<CefPipeChannel>();
  ASSERT_TRUE(channel->CreateCefPipe());
  channel->SetRunning(true);
  const std::string host = channel->GetPipeName();
  auto client = Start({"veska://room/1", "-record=" + RecordPath("r"), "-heartbeat-ms=50",
                       "-script=url:veska%3A//room/1%3Fa%3D1,wait:100,exit_request",
                       "-host=" + host, "-crash_server=cs"});

  ASSERT_TRUE(WaitUntil([&] { return !channel->IsRunning(); }));
  EXPECT_TRUE(channel->HeartbeatSeen());
  EXPECT_EQ(channel->GetLatestUrl(), "veska://room/1?a=1");
  channel.reset();
  EXPECT_EQ(client.WaitExit(), 0);
  // The notice ends the client, which may close its side before it sees the
  // launcher's: "disconnected" may or may not follow the notice.
  auto record = Record("r");
  std::erase(record, "disconnected");
  EXPECT_EQ(record, (std::vector<std::string>{"start host=" + host + " crash_server=cs url=",
                                              "word veska://room/1",
                                              "crash_register_failed registration with cs failed",
                                              "connected",
                                              "sent url veska://room/1?a=1",
                                              "sent exit_request", "closing_notice", "exit 0"}));
}

TEST_F(Veskaroom, EndsWhenTheLauncherPipeClosesWithoutANotice) {
  RecordingReceiver launcher_rx;
  auto launcher = CreatePipeChannel(&launcher_rx);
  ASSERT_TRUE(launcher);
  auto client = Start({"-record=" + RecordPath("r"), "-heartbeat-ms=20", "-host=" + launcher->GetName()});
  ASSERT_TRUE(WaitUntil([&] { return launcher_rx.MessageCount() >= 2; }));
  EXPECT_EQ(launcher_rx.Messages()[1], (ReceivedMessage{1, ""}));
  launcher->Close(5);
  launcher->Wait();
  EXPECT_EQ(client.WaitExit(), 0);
  EXPECT_TRUE(Recorded("r", "disconnected"));
  EXPECT_FALSE(Recorded("r", "closing_notice"));
}

TEST_F(Veskaroom, RecordsEveryHandoffAndKeepsThePipeFromASecondClient) {
  const auto socket = folder / "veska" / "pipe" / "REZERU_veskaroom";
  auto first = Start({"-record=" + RecordPath("first")});
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(socket); }));
  for (const std::string bytes : {"room/2?a=1\n%", ""}) {
    auto pipe = platform::PipeClient::Connect(kHandoffPipe);
    ASSERT_TRUE(pipe) << pipe.error().Describe();
    ASSERT_TRUE(pipe->WriteAll(bytes));
  }
  EXPECT_TRUE(WaitUntil([&] { return Recorded("first", "handoff "); }));
  EXPECT_TRUE(Recorded("first", "handoff room/2?a=1%0A%25"));

  const auto second = veska_test::RunProgram(
      VESKAROOM_EXE, {"-record=" + RecordPath("second"), "-lifetime-ms=0"}, Env());
  EXPECT_EQ(second.exit_code, 0);
  const auto lines = Record("second");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("handoff_unavailable another client serves", 0) == 0;
  })) << veska_test::ReadFile(folder / "second");

  // A client killed outright leaves its socket behind; the next one takes
  // the pipe over.
  // Until it has died, its listening socket still queues connections and
  // the bytes written to them would be lost with it.
  first.Kill();
  ASSERT_NE(first.WaitExit(), -1);
  ASSERT_TRUE(std::filesystem::exists(socket));
  auto third = Start({"-record=" + RecordPath("third")});
  ASSERT_TRUE(WaitUntil([&] { return Recorded("third", "start host= crash_server= url="); }));
  ASSERT_TRUE(WaitUntil([&] {
    auto pipe = platform::PipeClient::Connect(kHandoffPipe);
    return pipe && pipe->WriteAll("again");
  }));
  EXPECT_TRUE(WaitUntil([&] { return Recorded("third", "handoff again"); }));
}

struct RunCase {
  const char* name;
  std::vector<std::string> args;
  int exit_code;
  std::string last_line;  // of the record, when one is made
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class VeskaroomRun : public Veskaroom, public testing::WithParamInterface<RunCase> {};

TEST_P(VeskaroomRun, EndsWithItsExitCode) {
  std::vector<std::string> args = GetParam().args;
  if (!GetParam().last_line.empty()) args.push_back("-record=" + RecordPath("r"));
  const auto run = veska_test::RunProgram(VESKAROOM_EXE, args, Env());
  EXPECT_EQ(run.exit_code, GetParam().exit_code) << run.err;
  if (!GetParam().last_line.empty()) {
    const auto lines = Record("r");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), GetParam().last_line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VeskaroomRun,
    testing::Values(RunCase{"QuitStep", {"-handoff=off", "-script=wait:10,quit:3"}, 3, "exit 3"},
                    RunCase{"LifetimeOver", {"-handoff=off", "-lifetime-ms=50"}, 0, "exit 0"},
                    RunCase{"NoLauncherPipe", {"-handoff=off", "-host=1_1"}, 3, "exit 3"},
                    RunCase{"BadSwitch", {"-heartbeat-ms=soon"}, 2, ""}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(Veskaroom, PrintsItsUsageWhenAskedOrGivenNothing) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"--help"}}) {
    const auto run = veska_test::RunProgram(VESKAROOM_EXE, args, Env());
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, ClientUsage());
    EXPECT_EQ(run.err, "");
  }
}

}  // namespace
