#include "zerozedev/crash/crash_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fixed_calendar.h"
#include "launcher_log_text.h"
#include "platform/text.h"
#include "scoped_current_directory.h"
#include "support/crash_collector.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/scoped_umask.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "zerozedev/crash/upload_checkpoint.h"
#include "outside/crash_generation/crash_generation_server.h"
#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/process/cef_process_manager.h"
#include "zip_members.h"

namespace google_breakpad {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using veska_test::ChildProcess;
using veska_test::CrashCollector;
using veska_test::ReadFile;
using veska_test::WriteFile;

const std::string kPipeName = "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe";
constexpr int kSegvExit = 128 + 11;

class CrashServerTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_folder_);
    LauncherLog::Instance().Open("zerozedev");
    channel_->SetRunning(true);
  }

  void TearDown() override {
    CrashServerStop();
    SetCrashServerStopTimeoutForTesting(120s);
  }

  void Start() { CrashServerStart(&manager_, platform::Utf8ToUtf16(kPipeName)); }

  fs::path SocketOf(const std::string& pipe_name) const {
    return runtime_.path() / "veska" / "pipe" / pipe_name.substr(std::string("\\\\.\\pipe\\").size());
  }

  // The client program, with its switch naming the crash server's pipe.
  ChildProcess StartClient(std::vector<std::string> args) {
    args.push_back("-crash_server=" + kPipeName);
    return ChildProcess(CRASH_REPORT_CLIENT, args);
  }

  bool Logged(const std::string& message) { return crash_test::WaitForLogMessage(data_home_.path(), message); }

  std::string Checkpoint() const {
    const fs::path path = app_folder_ / kCheckpointFileName;
    return fs::exists(path) ? ReadFile(path) : "<none>";
  }

  fs::path CrashFolderPath() const { return platform::Utf16ToUtf8(CrashFolder()); }

  veska_test::TempDir data_home_;
  veska_test::ScopedEnv data_env_{"XDG_DATA_HOME", data_home_.str()};
  veska_test::TempDir runtime_;
  veska_test::ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.str()};
  veska_test::TempDir root_;
  const fs::path app_folder_ = root_ / "app";
  crash_test::FixedCalendar calendar_{{2023, 3, 5, 9, 7, 5}, {2023, 3, 15, 1, 7, 5}};
  std::shared_ptr<CefPipeChannel> channel_ = std::make_shared<CefPipeChannel>();
  zerozedev::CefProcessManager manager_{zerozedev::ClientCommandLine(), channel_, root_.str()};
};

TEST_F(CrashServerTest, DumpsGoUnderTheLocalApplicationDataFolder) {
  Start();
  ASSERT_TRUE(CrashServerRunning());
  EXPECT_EQ(CrashFolderPath(), data_home_ / "trvo" / "crash");
  EXPECT_TRUE(fs::is_directory(CrashFolderPath()));
  EXPECT_TRUE(fs::exists(SocketOf(kPipeName)));

  // A second start while the server exists changes nothing.
  const std::string other_pipe = "\\\\.\\pipe\\BreakpadCrashServices\\other.exe";
  CrashServerStart(&manager_, platform::Utf8ToUtf16(other_pipe));
  EXPECT_FALSE(fs::exists(SocketOf(other_pipe)));

  CrashServerStop();
  EXPECT_FALSE(CrashServerRunning());
  EXPECT_FALSE(fs::exists(SocketOf(kPipeName)));
}

TEST_F(CrashServerTest, WithoutLocalApplicationDataDumpsGoToThePrivateRuntimeFolder) {
  WriteFile(root_ / "not-a-folder", "");
  veska_test::ScopedEnv unusable("XDG_DATA_HOME", (root_ / "not-a-folder" / "data").string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  EXPECT_EQ(CrashFolderPath(), runtime_ / "veska" / "Dumps");
  EXPECT_TRUE(fs::is_directory(CrashFolderPath()));
}

TEST_F(CrashServerTest, CrashFolderThatCannotBeMadeLeavesTheLauncherWithoutServer) {
  const fs::path blocked = data_home_ / "trvo" / "crash";
  WriteFile(blocked, "a file where the folder belongs");
  Start();
  EXPECT_FALSE(CrashServerRunning());
  EXPECT_FALSE(fs::exists(SocketOf(kPipeName)));
  EXPECT_TRUE(Logged("Unable to create dump directory, " + blocked.string()));
}

TEST_F(CrashServerTest, PipeServedByAnotherServerLeavesTheLauncherWithoutServer) {
  CrashGenerationServer other(platform::Utf8ToUtf16(kPipeName), nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, false, nullptr);
  ASSERT_TRUE(other.Start());
  Start();
  EXPECT_FALSE(CrashServerRunning());
  EXPECT_TRUE(Logged("Unable to start server"));
  EXPECT_TRUE(fs::exists(SocketOf(kPipeName))) << "the other server's pipe stays";
}

TEST_F(CrashServerTest, ClientNoticesReachTheProcessManager) {
  Start();
  ASSERT_TRUE(CrashServerRunning());
  channel_->RecordHeartbeat();
  ChildProcess client = StartClient({"register-and-exit"});
  EXPECT_EQ(client.WaitExit(), 0);
  const std::string connected = "Client connected:" + std::to_string(client.pid());
  const std::string exited = "Client exited:" + std::to_string(client.pid());
  ASSERT_TRUE(Logged(exited));
  const auto messages = crash_test::LogMessages(data_home_.path());
  const auto connected_at = std::find(messages.begin(), messages.end(), connected);
  EXPECT_LT(connected_at, std::find(messages.begin(), messages.end(), exited));

  // Not the launched client: only heartbeat seen is cleared.
  EXPECT_FALSE(channel_->HeartbeatSeen());
  EXPECT_TRUE(channel_->IsRunning());
}

TEST_F(CrashServerTest, CrashedClientsDumpIsPackedWithItsLogAndPosted) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  WriteFile(CrashFolderPath() / "qelLog_7.log", "client log before the crash\n");

  ChildProcess client = StartClient({"crash-then-upload", "log=qelLog_7.log", "callstack_md5=c0ffee",
                                     "url=" + collector.Url(), "version=9"});
  const std::string pid = std::to_string(client.pid());
  EXPECT_TRUE(Logged("Client requested dump:" + pid));
  // Reaped only once the dump is over: a wait in this process would take the
  // stops the dump writer's tracing causes.
  ASSERT_TRUE(Logged("Client exited:" + pid));
  EXPECT_EQ(client.WaitExit(), kSegvExit);
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !collector.Uploads().empty(); }, 30s));
  EXPECT_TRUE(Logged("send dump succeeded"));

  // The dump the server wrote was kept for the upload, then packed.
  const fs::path dump = platform::Utf16ToUtf8(manager_.LastDumpPath());
  EXPECT_EQ(dump.parent_path(), CrashFolderPath());
  EXPECT_EQ(dump.extension(), ".dmp");
  const fs::path package = CrashFolderPath() / "202335975.zip";
  EXPECT_EQ(veska_test::FilesIn(CrashFolderPath()), std::vector<fs::path>{package});

  const auto upload = collector.Uploads().at(0);
  EXPECT_EQ(upload.fields, (std::map<std::string, std::string>{{"platform", "win32"}, {"version", "9"}}));
  EXPECT_EQ(ReadFile(upload.files.at("upload_file_minidump")), ReadFile(package));
  const auto members = crash_test::ZipMembers(package);
  ASSERT_TRUE(members);
  ASSERT_EQ(members->size(), 2u);
  EXPECT_EQ(members->at("qelLog_7.log"), "client log before the crash\n");
  EXPECT_EQ(members->at("qelCrash_7.dmp").substr(0, 4), "MDMP");
  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n1\n");
}

TEST_F(CrashServerTest, UploadRequestsWithoutADumpOrWithAHostileNameTouchNothing) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  WriteFile(CrashFolderPath() / "qelLog_1.log", "log\n");
  WriteFile(data_home_ / "trvo" / "qelLog_1.log", "outside the crash folder\n");
  const auto before = veska_test::FilesIn(CrashFolderPath());
  const std::string url = "url=" + collector.Url();

  ChildProcess no_dump = StartClient({"upload", "log=qelLog_1.log", url});
  EXPECT_EQ(no_dump.WaitExit(), 0);
  EXPECT_TRUE(Logged("upload request for qelLog_1.log ignored: no dump was written"));

  const fs::path dump = CrashFolderPath() / "0a0b0c0d.dmp";
  WriteFile(dump, "MDMP");
  manager_.SetLastDumpPath(platform::Utf8ToUtf16(dump.string()));
  ChildProcess climbing = StartClient({"upload", "log=../qelLog_1.log", url});
  EXPECT_EQ(climbing.WaitExit(), 0);
  EXPECT_TRUE(Logged("upload request ignored: log name ../qelLog_1.log leaves the dump folder"));

  std::vector<fs::path> expected = before;
  expected.insert(expected.begin(), dump);
  EXPECT_EQ(veska_test::FilesIn(CrashFolderPath()), expected);
  EXPECT_EQ(ReadFile(data_home_ / "trvo" / "qelLog_1.log"), "outside the crash folder\n");
  EXPECT_TRUE(collector.Uploads().empty());
}

// Dumps, packages and logs carry what the user did and typed: only the user
// may read them, whatever the umask lets other programs' files be.
TEST_F(CrashServerTest, CrashDataAndLogsArePrivateWhateverTheUmask) {
  const veska_test::ScopedUmask usual(022);
  const veska_test::TempDir home;
  const veska_test::ScopedEnv home_env("XDG_DATA_HOME", home.str());
  LauncherLog::Instance().Open("zerozedev");
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  ASSERT_EQ(CrashFolderPath(), home / "trvo" / "crash");
  WriteFile(CrashFolderPath() / "cc.dmp", "MDMP");
  WriteFile(CrashFolderPath() / "qelLog_4.log", "log\n");
  manager_.SetLastDumpPath(platform::Utf8ToUtf16((CrashFolderPath() / "cc.dmp").string()));

  ChildProcess client = StartClient({"upload", "log=qelLog_4.log", "url=" + collector.Url()});
  EXPECT_EQ(client.WaitExit(), 0);
  ASSERT_TRUE(crash_test::WaitForLogMessage(home.path(), "send dump succeeded"));

  EXPECT_EQ(veska_test::FilesIn(CrashFolderPath()), std::vector<fs::path>{CrashFolderPath() / "202335975.zip"});
  const auto open = veska_test::NotPrivate(home / "trvo");
  EXPECT_TRUE(open.empty()) << testing::PrintToString(open);
}

// A client asks for its upload and dies; its exit ends the run while the
// upload is still in flight. Stopping the server waits for it.
TEST_F(CrashServerTest, StopWaitsForAnUploadInFlight) {
  CrashCollector slow(CRASH_COLLECTOR, {"--delay-ms=1500"});
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  WriteFile(CrashFolderPath() / "aa.dmp", "MDMP");
  WriteFile(CrashFolderPath() / "qelLog_2.log", "log\n");
  manager_.SetLastDumpPath(platform::Utf8ToUtf16((CrashFolderPath() / "aa.dmp").string()));

  ChildProcess client = StartClient({"upload", "log=qelLog_2.log", "url=" + slow.Url()});
  EXPECT_EQ(client.WaitExit(), 0);
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !slow.Uploads().empty(); }));
  CrashServerStop();
  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n1\n");
  EXPECT_TRUE(Logged("send dump succeeded"));
}

TEST_F(CrashServerTest, StopGivesUpOnAStalledUploadAndSaysSo) {
  SetCrashServerStopTimeoutForTesting(200ms);
  CrashCollector stalled(CRASH_COLLECTOR, {"--delay-ms=3000"});
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  Start();
  ASSERT_TRUE(CrashServerRunning());
  WriteFile(CrashFolderPath() / "bb.dmp", "MDMP");
  WriteFile(CrashFolderPath() / "qelLog_3.log", "log\n");
  manager_.SetLastDumpPath(platform::Utf8ToUtf16((CrashFolderPath() / "bb.dmp").string()));

  ChildProcess client = StartClient({"upload", "log=qelLog_3.log", "url=" + stalled.Url()});
  EXPECT_EQ(client.WaitExit(), 0);
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !stalled.Uploads().empty(); }));
  CrashServerStop();
  EXPECT_FALSE(CrashServerRunning());
  EXPECT_TRUE(Logged("crash server stopped after 200 ms with request handlers still running"));
  // The handler finishes on its own, with nothing of the run left to touch.
  EXPECT_TRUE(veska_test::WaitUntil([&] { return Checkpoint() == "GBP1\n20230315\n1\n"; }));
  EXPECT_TRUE(Logged("send dump succeeded"));
}

}  // namespace
}  // namespace google_breakpad
