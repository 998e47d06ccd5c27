#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/process.h"
#include "platform/process_list.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace fs = std::filesystem;

namespace {

using veska_test::StartSleeperAs;
using veska_test::TempDir;

std::vector<platform::ProcessEntry> Named(const std::string& name) {
  auto snapshot = platform::SnapshotProcesses();
  EXPECT_TRUE(snapshot.ok());
  std::vector<platform::ProcessEntry> found;
  if (snapshot.ok()) {
    std::copy_if(snapshot->begin(), snapshot->end(), std::back_inserter(found),
                 [&](const platform::ProcessEntry& entry) { return entry.exe_name == name; });
  }
  return found;
}

bool IsZombie(int pid) {
  const std::string stat = veska_test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  return stat.substr(stat.rfind(')') + 2, 1) == "Z";
}

TEST(ProcessListTest, ListsRunningProcessesByExecutableFileName) {
  TempDir temp;
  auto sleeper = StartSleeperAs(temp.path(), "veska list (probe).exe");
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !Named("veska list (probe).exe").empty(); }));
  const auto found = Named("veska list (probe).exe");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].pid, sleeper.pid());
  EXPECT_EQ(found[0].parent_pid, getpid());

  auto self = Named(fs::read_symlink("/proc/self/exe").filename().string());
  EXPECT_TRUE(std::any_of(self.begin(), self.end(), [](const auto& e) { return e.pid == getpid(); }));
}

TEST(ProcessListTest, ProcessKeepsItsNameAfterItsFileIsReplaced) {
  TempDir temp;
  auto sleeper = StartSleeperAs(temp.path(), "veska replaced.exe");
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !Named("veska replaced.exe").empty(); }));
  fs::remove(temp / "veska replaced.exe");
  const auto found = Named("veska replaced.exe");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].pid, sleeper.pid());
}

TEST(ProcessListTest, ZombiesAreNotListed) {
  TempDir temp;
  auto sleeper = StartSleeperAs(temp.path(), "veska zombie.exe");
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !Named("veska zombie.exe").empty(); }));
  kill(sleeper.pid(), SIGKILL);  // not reaped until `sleeper` goes
  ASSERT_TRUE(veska_test::WaitUntil([&] { return IsZombie(sleeper.pid()); }));
  EXPECT_TRUE(Named("veska zombie.exe").empty());
}

TEST(TerminateProcessesNamedTest, EndsEveryProcessOfExactlyThatName) {
  TempDir temp;
  auto first = StartSleeperAs(temp / "a", "veska kill.exe");
  auto second = StartSleeperAs(temp / "b", "veska kill.exe");
  auto other_case = StartSleeperAs(temp / "c", "VESKA KILL.EXE");
  auto longer = StartSleeperAs(temp / "d", "veska kill.exe.old");
  ASSERT_TRUE(veska_test::WaitUntil([&] { return Named("veska kill.exe").size() == 2; }));
  ASSERT_TRUE(veska_test::WaitUntil([&] { return Named("veska kill.exe.old").size() == 1; }));

  EXPECT_EQ(platform::TerminateProcessesNamed("veska kill.exe"), 2);
  EXPECT_EQ(first.WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(second.WaitExit(), 128 + SIGKILL);
  EXPECT_FALSE(other_case.Exited());
  EXPECT_FALSE(longer.Exited());
  EXPECT_EQ(platform::TerminateProcessesNamed("veska kill.exe"), 0) << "nothing left of that name";
}

}  // namespace
