// The whole launcher run with real processes: VESKALaunch.exe starts the
// substitute client, which talks to it over the pipe and the crash server;
// uploads go to the real collector on a loopback port.

#include <unistd.h>

#include <ctime>
#include <gtest/gtest.h>

#include "../crash/zip_members.h"
#include "tests/outside/crash_generation/raw_connection.h"
#include "launcher_install.h"
#include "platform/text.h"
#include "support/crash_collector.h"
#include "support/files.h"
#include "support/regex_match.h"
#include "support/run_program.h"
#include "support/wait.h"

namespace {

namespace fs = std::filesystem;
using google_breakpad::CrashMessage;
using veska_test::CrashCollector;
using veska_test::LauncherInstall;
using veska_test::WaitUntil;

constexpr auto kRunLimit = std::chrono::seconds(60);
const std::string kCrashPipe = "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe";

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

// The client's pid as the launcher logged it for `event` ("Client connected").
std::string LoggedPid(const std::vector<std::string>& records, const std::string& event) {
  for (const auto& line : records) {
    if (auto groups = veska_test::RegexGroups(line, ".*\\|" + event + ":(\\d+)$")) return (*groups)[1];
  }
  return "";
}

int TodayUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return (utc.tm_year + 1900) * 10000 + (utc.tm_mon + 1) * 100 + utc.tm_mday;
}

std::string CrashUpload(const CrashCollector& collector, const std::string& log, const std::string& digest) {
  return "log=" + log + ";callstack_md5=" + digest + ";url=" + collector.Url() + ";version=1.2";
}

TEST(ClientRun, ExitRequestEndsTheRunAndTheClientHearsTheClosingNotice) {
  LauncherInstall install;
  auto launcher = install.Start({"-heartbeat-ms=100", "-lifetime-ms=60000", "-script=wait:300,exit_request"});

  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);
  ASSERT_TRUE(WaitUntil([&] { return Contains(install.ClientEvents(), "exit 0"); }));
  const auto events = install.ClientEvents();
  EXPECT_TRUE(Contains(events, "crash_registered"));
  EXPECT_TRUE(Contains(events, "sent exit_request"));
  EXPECT_TRUE(Contains(events, "closing_notice"));
  EXPECT_FALSE(Contains(events, "lifetime_over")) << "the launcher, not the client's lifetime, ends the run";

  const auto records = install.LogRecords();
  EXPECT_TRUE(Contains(records, "|wWinMain|After create cef pipe"));
  EXPECT_TRUE(Contains(records, "|wWinMain|Client run over"));
  EXPECT_FALSE(LoggedPid(records, "Client connected").empty());
}

// Without its pipe the launcher still opens the class: the client is started
// and watched by its process, and the user hears why on standard error.
TEST(ClientRun, PipeThatCannotBeMadeStillStartsTheClient) {
  LauncherInstall install;
  // A pipe folder that others may enter is refused.
  const fs::path pipe_folder = install.RuntimeFolder() / "veska";
  fs::create_directories(pipe_folder);
  fs::permissions(pipe_folder, fs::perms(0755));

  const auto run = install.Run({"-lifetime-ms=1500"}, kRunLimit);

  ASSERT_EQ(run.exit_code, 0) << run.err;
  const auto events = install.ClientEvents();
  EXPECT_TRUE(Contains(events, "start host= crash_server=")) << testing::PrintToString(events);
  EXPECT_TRUE(Contains(events, "exit 0")) << testing::PrintToString(events);
  const auto records = install.LogRecords();
  EXPECT_TRUE(Contains(records, "|wWinMain|Create cef pipe error")) << testing::PrintToString(records);
  EXPECT_TRUE(Contains(records, "|wWinMain|Client run over")) << testing::PrintToString(records);
  EXPECT_NE(run.err.find("Create cef pipe error"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(pipe_folder.string() + " is open to group or others"), std::string::npos) << run.err;
}

TEST(ClientRun, CrashingClientLeavesADumpThatTheDebuggerReads) {
  LauncherInstall install;
  auto launcher = install.Start({"-lifetime-ms=60000", "-script=crash"});
  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);

  const auto records = install.LogRecords();
  const std::string pid = LoggedPid(records, "Client connected");
  ASSERT_FALSE(pid.empty());
  EXPECT_EQ(LoggedPid(records, "Client requested dump"), pid);
  EXPECT_EQ(LoggedPid(records, "Client exited"), pid);
  EXPECT_TRUE(Contains(records, "|wWinMain|Client run over"));
  EXPECT_TRUE(Contains(install.ClientEvents(), "crashing"));

  const auto dumps = install.CrashFiles(".dmp");
  ASSERT_EQ(dumps.size(), 1u);
  ASSERT_TRUE(fs::exists("/usr/bin/lldb")) << "scripts/install-deps.sh installs lldb";
  const auto lldb = veska_test::RunProgram("/usr/bin/lldb", {"--batch", "-c", dumps[0].string(), "-o", "bt"}, {},
                                           std::chrono::seconds(60));
  EXPECT_NE(lldb.out.find("CrashInClassroomClient"), std::string::npos) << lldb.out << lldb.err;
  EXPECT_NE(lldb.out.find("SIGSEGV"), std::string::npos) << lldb.out;
}

TEST(ClientRun, UploadAfterACrashPostsThePackageAndCountsItInTheCheckpoint) {
  CrashCollector collector(VESKA_COLLECTOR);
  LauncherInstall install;
  auto launcher = install.Start(
      {"-lifetime-ms=60000", "-script=crash_upload:" + CrashUpload(collector, "qelLog_1.log", "abc") + ",crash"});
  const int before = TodayUtc();
  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);

  const auto records = install.LogRecords();
  EXPECT_TRUE(Contains(records, "|google_breakpad::UploadDumpFile|send dump succeeded"));

  const auto packages = install.CrashFiles(".zip");
  ASSERT_EQ(packages.size(), 1u);
  const auto members = crash_test::ZipMembers(packages[0]);
  ASSERT_TRUE(members.has_value());
  ASSERT_EQ(members->size(), 2u);
  EXPECT_EQ(members->at("qelLog_1.log"), "veskaroom.exe client log\n");
  EXPECT_EQ(members->at("qelCrash_1.dmp").substr(0, 4), "MDMP");
  EXPECT_TRUE(install.CrashFiles(".dmp").empty()) << "the dump moves into the package";
  EXPECT_TRUE(install.CrashFiles(".log").empty()) << "so does the client's log";

  const auto uploads = collector.Uploads();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].path, "/crashReport");
  EXPECT_EQ(uploads[0].fields.at("platform"), "win32");
  EXPECT_EQ(uploads[0].fields.at("version"), "1.2");
  EXPECT_EQ(uploads[0].fields.count("url"), 0u);
  EXPECT_EQ(uploads[0].fields.count("callstack_md5"), 0u);
  EXPECT_EQ(veska_test::ReadFile(uploads[0].files.at("upload_file_minidump")), veska_test::ReadFile(packages[0]));

  const auto checkpoint = veska_test::SplitLines(veska_test::ReadFile(install.folder() / "crash.checkpoint"));
  ASSERT_EQ(checkpoint.size(), 3u);
  EXPECT_EQ(checkpoint[0], "GBP1");
  EXPECT_TRUE(checkpoint[1] == std::to_string(before) || checkpoint[1] == std::to_string(TodayUtc()));
  EXPECT_EQ(checkpoint[2], "1");
}

TEST(ClientRun, SameCallStackTwiceIsPackedTwiceButUploadedOnce) {
  CrashCollector collector(VESKA_COLLECTOR);
  LauncherInstall install;
  auto launcher = install.Start(
      {"-lifetime-ms=60000", "-script=dump,upload:" + CrashUpload(collector, "qelLog_a.log", "same") +
                                 ",wait:1500,upload:" + CrashUpload(collector, "qelLog_b.log", "same") +
                                 ",wait:1500,exit_request"});
  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);

  EXPECT_TRUE(Contains(install.ClientEvents(), "dump written"));
  EXPECT_EQ(collector.Uploads().size(), 1u);
  EXPECT_EQ(install.CrashFiles(".zip").size(), 2u) << "a suppressed upload still leaves its package";
}

TEST(ClientRun, FailingCollectorIsLoggedAndLeavesTheCheckpointAlone) {
  CrashCollector collector(VESKA_COLLECTOR, {"--status=500"});
  LauncherInstall install;
  const std::string earlier = "GBP1\n20230314\n3\n";
  veska_test::WriteFile(install.folder() / "crash.checkpoint", earlier);
  auto launcher = install.Start(
      {"-lifetime-ms=60000", "-script=crash_upload:" + CrashUpload(collector, "qelLog_1.log", "x") + ",crash"});
  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);

  EXPECT_TRUE(Contains(install.LogRecords(), "|google_breakpad::UploadDumpFile|send dump failed"));
  EXPECT_EQ(collector.Uploads().size(), 1u) << "the collector saw the upload and refused it";
  EXPECT_EQ(veska_test::ReadFile(install.folder() / "crash.checkpoint"), earlier);
}

// Requests a well-behaved client would never send, aimed at a launcher whose
// client has a dump on file. None may move a file or reach the collector.
TEST(ClientRun, HostileCrashRequestsChangeNothing) {
  CrashCollector collector(VESKA_COLLECTOR);
  LauncherInstall install;
  auto launcher = install.Start({"-lifetime-ms=60000", "-script=dump,wait:4000,exit_request"});
  ASSERT_TRUE(WaitUntil([&] { return Contains(install.ClientEvents(), "dump written"); }, std::chrono::seconds(20)));
  const auto dumps = install.CrashFiles(".dmp");
  ASSERT_EQ(dumps.size(), 1u);

  const auto own_pid = static_cast<uint32_t>(getpid());
  auto upload = [&](const std::u16string& log_name, uint32_t id, uint32_t count) {
    CrashMessage message;
    message.tag = google_breakpad::kUploadRequest;
    message.id = id;
    google_breakpad::SetUploadEntry(message.upload, 0, u"log", log_name);
    google_breakpad::SetUploadEntry(message.upload, 1, u"url", platform::Utf8ToUtf16(collector.Url()));
    if (count) message.upload.count = count;
    return message;
  };
  {
    veska_test::RawConnection short_message(kCrashPipe);
    const std::vector<uint8_t> bytes(44, 0);
    ASSERT_TRUE(short_message.Send(bytes.data(), bytes.size()));
    short_message.ShutdownWrite();
    EXPECT_TRUE(short_message.ClosedWithoutReply());
  }
  {
    veska_test::RawConnection empty_registration(kCrashPipe);
    CrashMessage message;
    message.tag = google_breakpad::kRegistrationRequest;
    ASSERT_TRUE(empty_registration.Send(message));
    EXPECT_TRUE(empty_registration.ClosedWithoutReply());
  }
  const std::pair<std::string, CrashMessage> uploads[] = {
      {"count 17", upload(u"qelLog_1.log", own_pid, 17)},
      {"climbing log name", upload(u"../../qelLog_evil.log", own_pid, 0)},
      {"absolute log name", upload(platform::Utf8ToUtf16((install.folder() / "qelLog_abs.log").string()), own_pid, 0)},
      {"forged process id", upload(u"qelLog_1.log", own_pid + 1, 0)},
  };
  for (const auto& [what, message] : uploads) {
    veska_test::RawConnection connection(kCrashPipe);
    ASSERT_TRUE(connection.Send(message)) << what;
    EXPECT_TRUE(connection.ClosedWithoutReply()) << what;
  }

  ASSERT_EQ(launcher.WaitExit(kRunLimit), 0);
  EXPECT_TRUE(collector.Uploads().empty());
  EXPECT_TRUE(install.CrashFiles(".zip").empty());
  EXPECT_EQ(install.CrashFiles(".dmp"), dumps) << "the client's dump stays where it was";
  EXPECT_TRUE(Contains(install.LogRecords(), "|wWinMain|Client run over"));
}

}  // namespace
