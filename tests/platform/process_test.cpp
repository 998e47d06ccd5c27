#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/process.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using veska_test::ScopedEnv;
using veska_test::TempDir;

// A zombie still has /proc/<pid>; a reaped process has none.
bool Reaped(int pid) { return !fs::exists("/proc/" + std::to_string(pid)); }

class ProcessTest : public testing::Test {
 protected:
  std::string Sleeper(const std::string& folder, const std::string& name) {
    return veska_test::InstallAs(VESKA_TEST_SLEEPER, temp_ / folder, name).string();
  }
  TempDir temp_;
};

TEST_F(ProcessTest, ProgramIsSearchedInTheGivenFoldersBeforePath) {
  Sleeper("own", "tool.exe");  // exits with the code of its second argument
  veska_test::WriteFile(temp_ / "on-path/tool.exe", "#!/bin/sh\nexit 9\n");
  fs::permissions(temp_ / "on-path/tool.exe", fs::perms::owner_all);
  ScopedEnv path("PATH", (temp_ / "on-path").string() + ":/usr/bin:/bin");

  const struct {
    std::vector<std::string> search_folders;
    int expected_exit_code;
  } cases[] = {
      {{(temp_ / "own").string()}, 7},
      {{(temp_ / "empty").string(), (temp_ / "own").string()}, 7},
      {{}, 9},
  };
  for (const auto& c : cases) {
    platform::SpawnOptions options;
    options.search_folders = c.search_folders;
    auto process = platform::Spawn("tool.exe 0 7", options);
    ASSERT_TRUE(process.ok()) << process.error().Describe();
    ASSERT_EQ(process->Wait(10s), platform::WaitOutcome::kExited);
    EXPECT_EQ(process->ExitCode(), c.expected_exit_code);
  }
}

TEST_F(ProcessTest, UnstartableCommandLinesAreErrors) {
  const std::string cases[] = {"", "   ", "no-such-program-here.exe", temp_.str() + "/missing.exe",
                               temp_.str()};  // a folder is no program
  for (const auto& line : cases) EXPECT_FALSE(platform::Spawn(line).ok()) << line;
}

// The helper writes its arguments, folder, one variable and whether it got
// our descriptor and our ignored SIGPIPE into a file.
TEST_F(ProcessTest, ChildGetsSplitArgumentsFolderEnvironmentAndNothingElseOfOurs) {
  const auto helper = veska_test::InstallAs(VESKA_PLATFORM_HELPER, temp_ / "bin dir", "helper.exe");
  fs::create_directory(temp_ / "work");
  const std::string record = (temp_ / "record.txt").string();
  const int inheritable = open("/dev/null", O_RDONLY);  // no O_CLOEXEC on purpose
  ASSERT_GE(inheritable, 3);
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);

  platform::SpawnOptions options;
  options.working_directory = (temp_ / "work").string();
  options.extra_environment = {"VESKA_PROBE=42", "PATH=/nowhere"};
  auto process = platform::Spawn("\"" + helper.string() + "\" record " + record + " " +
                                     std::to_string(inheritable) + " \"a b\" c\\\"d",
                                 options);
  sigaction(SIGPIPE, &previous, nullptr);
  close(inheritable);
  ASSERT_TRUE(process.ok()) << process.error().Describe();
  ASSERT_EQ(process->Wait(10s), platform::WaitOutcome::kExited);
  ASSERT_EQ(process->ExitCode(), 0);

  EXPECT_EQ(veska_test::ReadFile(record),
            "arg=a b\narg=c\"d\n"
            "cwd=" + (temp_ / "work").string() + "\n"
            "VESKA_PROBE=42\nPATH=/nowhere\n"
            "descriptor=closed\nSIGPIPE=default\n");
}

TEST_F(ProcessTest, RelativeProgramPathIsOursEvenWhenTheChildStartsElsewhere) {
  Sleeper("bin", "rel.exe");
  fs::create_directory(temp_ / "elsewhere");
  const fs::path before = fs::current_path();
  fs::current_path(temp_.path());
  platform::SpawnOptions options;
  options.working_directory = (temp_ / "elsewhere").string();
  auto process = platform::Spawn("bin/rel.exe 0 3", options);
  fs::current_path(before);
  ASSERT_TRUE(process.ok()) << process.error().Describe();
  ASSERT_EQ(process->Wait(10s), platform::WaitOutcome::kExited);
  EXPECT_EQ(process->ExitCode(), 3);
}

TEST_F(ProcessTest, WaitTerminateAndExitCode) {
  const std::string sleeper = Sleeper("bin", "sleeper.exe");
  auto running = platform::Spawn(sleeper);
  ASSERT_TRUE(running.ok()) << running.error().Describe();
  EXPECT_EQ(running->Wait(50ms), platform::WaitOutcome::kTimeout);
  EXPECT_TRUE(running->IsRunning());
  EXPECT_EQ(running->ExitCode(), std::nullopt) << "no code while running";

  ASSERT_TRUE(running->Terminate().ok());
  ASSERT_EQ(running->Wait(10s), platform::WaitOutcome::kExited);
  EXPECT_FALSE(running->IsRunning());
  EXPECT_EQ(running->ExitCode(), 128 + SIGKILL);
  EXPECT_TRUE(Reaped(running->pid()));

  // The code can be read without waiting first, once the child has ended.
  auto quick = platform::Spawn(sleeper + " 0 5");
  ASSERT_TRUE(quick.ok());
  ASSERT_TRUE(veska_test::WaitUntil([&] { return quick->ExitCode().has_value(); }));
  EXPECT_EQ(quick->ExitCode(), 5);
}

TEST_F(ProcessTest, DroppedHandlesLeaveNoZombies) {
  const std::string sleeper = Sleeper("bin", "dropped.exe");
  std::vector<int> pids;
  for (const char* line : {" 0", " 300", ""}) {  // ended, ends soon, runs until killed
    auto process = platform::Spawn(sleeper + line);
    ASSERT_TRUE(process.ok()) << process.error().Describe();
    if (std::string_view(line) == " 0") {
      ASSERT_EQ(process->Wait(10s), platform::WaitOutcome::kExited);
    }
    pids.push_back(process->pid());
  }
  kill(pids.back(), SIGKILL);
  for (const int pid : pids) EXPECT_TRUE(veska_test::WaitUntil([&] { return Reaped(pid); })) << pid;
}

TEST_F(ProcessTest, ReplacingAHandleLeavesNoZombie) {
  const std::string sleeper = Sleeper("bin", "replaced.exe");
  auto first = platform::Spawn(sleeper + " 100");
  auto second = platform::Spawn(sleeper + " 100");
  ASSERT_TRUE(first.ok() && second.ok());
  const int first_pid = first->pid();
  *first = std::move(*second);
  EXPECT_TRUE(veska_test::WaitUntil([&] { return Reaped(first_pid); }));
  ASSERT_EQ(first->Wait(10s), platform::WaitOutcome::kExited);
  EXPECT_EQ(first->ExitCode(), 0);
}

// The crash dump writer stops a child with ptrace while the launcher waits
// for it; the stop notice must not read as the child's end.
TEST_F(ProcessTest, AStoppedChildStillRunsAndIsReapedWhenItEnds) {
  auto process = platform::Spawn(Sleeper("bin", "held.exe"));
  ASSERT_TRUE(process.ok()) << process.error().Describe();
  const int pid = process->pid();
  ASSERT_EQ(ptrace(PTRACE_SEIZE, pid, nullptr, nullptr), 0) << errno;
  ASSERT_EQ(ptrace(PTRACE_INTERRUPT, pid, nullptr, nullptr), 0) << errno;
  ASSERT_TRUE(veska_test::WaitUntil([&] {
    const std::string stat = veska_test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && stat.compare(paren + 2, 1, "t") == 0;
  }));

  EXPECT_TRUE(process->IsRunning());
  EXPECT_EQ(process->Wait(50ms), platform::WaitOutcome::kTimeout);
  EXPECT_EQ(process->ExitCode(), std::nullopt);

  ASSERT_EQ(ptrace(PTRACE_DETACH, pid, nullptr, nullptr), 0) << errno;
  ASSERT_TRUE(process->Terminate().ok());
  ASSERT_EQ(process->Wait(10s), platform::WaitOutcome::kExited);
  EXPECT_EQ(process->ExitCode(), 128 + SIGKILL);
  EXPECT_TRUE(Reaped(pid));
}

TEST_F(ProcessTest, OpenedProcessCanBeWaitedForAndTerminatedButHasNoCode) {
  veska_test::ChildProcess other(Sleeper("bin", "other.exe"), {});
  auto opened = platform::Process::Open(other.pid());
  ASSERT_TRUE(opened.ok()) << opened.error().Describe();
  EXPECT_EQ(opened->pid(), other.pid());
  EXPECT_EQ(opened->Wait(20ms), platform::WaitOutcome::kTimeout);
  ASSERT_TRUE(opened->Terminate().ok());
  EXPECT_EQ(opened->Wait(10s), platform::WaitOutcome::kExited);
  EXPECT_EQ(opened->ExitCode(), std::nullopt);
  EXPECT_EQ(other.WaitExit(), 128 + SIGKILL);
}

TEST_F(ProcessTest, OpeningAProcessThatDoesNotRunFails) {
  veska_test::ChildProcess ended(Sleeper("bin", "ended.exe"), {"0"});
  ASSERT_EQ(ended.WaitExit(), 0);
  for (const int pid : {ended.pid(), 0, -1}) EXPECT_FALSE(platform::Process::Open(pid).ok()) << pid;
}

}  // namespace
