// The real launcher program in a scratch installation folder, with real
// processes standing in for a running classroom client.

#include <gtest/gtest.h>

#include "platform/named_mutex.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/regex_match.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "url_pipe_server.h"

namespace {

namespace fs = std::filesystem;
using veska_test::ChildProcess;
using veska_test::RunProgram;
using veska_test::ScopedEnv;
using veska_test::StartSleeperAs;

constexpr char kPromptEnglish[] =
    "prompt: caption=Prompt text=Another program is already in progress, start new one?";

class LauncherProcessTest : public ::testing::Test {
 protected:
  LauncherProcessTest()
      : install_(root_ / "install"),
        runtime_env_("XDG_RUNTIME_DIR", (root_ / "runtime").string()),
        machine_env_("VESKA_MACHINE_DIR", (root_ / "machine").string()),
        data_env_("XDG_DATA_HOME", (root_ / "data").string()) {
    fs::create_directories(root_ / "runtime");
    fs::permissions(root_ / "runtime", fs::perms::owner_all);
    launcher_ = veska_test::InstallAs(VESKA_LAUNCHER, install_, "VESKALaunch.exe");
  }

  veska_test::ProgramRun Launch(const std::vector<std::string>& args, const std::string& answer,
                                const std::string& lang = "C") {
    return RunProgram(launcher_, args,
                      {"VESKA_PROMPT_ANSWER=" + answer, "LANG=" + lang, "LANGUAGE=", "LC_ALL=",
                       "LC_MESSAGES=", "DISPLAY=", "WAYLAND_DISPLAY="});
  }

  fs::path LogFolder() const { return root_ / "data/trvo/logs/zerozedev/veskalaunch"; }

  ChildProcess StartClientNamed(const std::string& name) { return StartSleeperAs(root_ / "clients", name); }

  veska_test::TempDir root_;
  fs::path install_;
  fs::path launcher_;
  ScopedEnv runtime_env_;
  ScopedEnv machine_env_;
  ScopedEnv data_env_;
};

TEST_F(LauncherProcessTest, KeptClientReceivesTheAddressBytes) {
  auto client = StartClientNamed("veskaroom.exe");
  veska_test::UrlPipeServer pipe("\\\\.\\Pipe\\REZERU_veskaroom");

  const auto run = Launch({"veska://room?id=1"}, "cancel");

  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(pipe.Received(), "room?id=1");
  EXPECT_NE(run.err.find(kPromptEnglish), std::string::npos) << run.err;
  EXPECT_FALSE(client.Exited()) << "Cancel must leave the running client alone";
  EXPECT_FALSE(fs::exists(LogFolder())) << "a launcher that hands off opens no log";
}

TEST_F(LauncherProcessTest, HandOffWithoutClientPipeExitsWithOne) {
  auto client = StartClientNamed("veskaroom.exe");
  const auto run = Launch({"veska://room?id=1"}, "cancel");
  EXPECT_EQ(run.exit_code, 1);
  // No log is open yet: the user hears it on standard error.
  EXPECT_NE(run.err.find("] cannot hand the address to the running client: "), std::string::npos) << run.err;
}

TEST_F(LauncherProcessTest, CancelWithoutAddressExitsQuietly) {
  auto client = StartClientNamed("veskaroom.exe");
  const auto run = Launch({"abc"}, "cancel");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(fs::exists(LogFolder()));
  EXPECT_FALSE(client.Exited());
}

TEST_F(LauncherProcessTest, PromptIsChineseForSimplifiedChineseUsers) {
  auto client = StartClientNamed("veskaroom.exe");
  const auto run = Launch({}, "cancel", "zh_CN.UTF-8");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.err.find("prompt: caption=提示 text=检测到程序正在运行，是否重新打开!"), std::string::npos)
      << run.err;
}

TEST_F(LauncherProcessTest, SecondLauncherLeavesAtOnceWhileTheFirstHoldsTheInstance) {
  auto first = platform::NamedMutex::Create("Global\\veskaroom.exe", true);
  ASSERT_TRUE(first.ok()) << first.error().Describe();
  ASSERT_FALSE(first->already_existed);

  const auto run = Launch({"veska://x"}, "ok");

  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err.find("prompt:"), std::string::npos) << "no client runs, so nothing is asked";
  EXPECT_FALSE(fs::exists(LogFolder())) << "the second launcher must stop before its log";
}

TEST_F(LauncherProcessTest, ClientNameInOtherLettersIsNotARunningClient) {
  auto other = StartClientNamed("VESKAROOM.EXE");
  const auto run = Launch({}, "cancel");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err.find("prompt:"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(LogFolder())) << "the launcher goes on to its log";
}

TEST_F(LauncherProcessTest, OkEndsEveryRunningClientBeforeGoingOn) {
  auto first = StartClientNamed("veskaroom.exe");
  auto second = StartClientNamed("veskaroom.exe");

  const auto run = Launch({}, "ok");

  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(first.WaitExit(std::chrono::seconds(5)), -1);
  EXPECT_NE(second.WaitExit(std::chrono::seconds(5)), -1);
  EXPECT_TRUE(fs::exists(LogFolder()));
}

TEST_F(LauncherProcessTest, LogRecordsAndStartLinesFollowTheirLayouts) {
  const auto run = Launch({"abc", "veska://x", "y"}, "cancel");
  ASSERT_EQ(run.exit_code, 0);

  const auto files = veska_test::FilesIn(LogFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(veska_test::RegexMatch(files[0].filename().string(), R"(\d+\.log)"));
  const auto lines = veska_test::SplitLines(veska_test::ReadFile(files[0]));
  ASSERT_FALSE(lines.empty());
  const std::string record =
      R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ \d]\d )"
      R"(\d\d:\d\d:\d\d \d{4} \|4\|(zerozedev|cef_pipe_channel|cefprocessmanager)\|\d+\|[\w:]+\|.*)";
  for (const auto& line : lines) EXPECT_TRUE(veska_test::RegexMatch(line, record)) << line;
  EXPECT_TRUE(veska_test::RegexSearch(lines.front(), R"(\|zerozedev\|\d+\|wWinMain\|Create cef pipe$)"))
      << lines.front();

  const std::string prefix = R"(\[WFE\]\[I\]\[\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{1,2}:\d{1,2}\] )";
  EXPECT_TRUE(veska_test::RegexSearch(run.err, prefix + "class path: veskaroom\\.exe\n"))
      << run.err;
  EXPECT_TRUE(veska_test::RegexSearch(run.err, prefix + "par: x y\n")) << run.err;
}

}  // namespace
