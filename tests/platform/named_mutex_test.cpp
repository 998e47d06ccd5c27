#include <sys/stat.h>

#include <filesystem>
#include <future>

#include <gtest/gtest.h>

#include "platform/named_mutex.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using platform::MutexWait;
using platform::NamedMutex;
using veska_test::ScopedEnv;
using veska_test::TempDir;

class NamedMutexTest : public testing::Test {
 protected:
  NamedMutex CreateMutex(const std::string& name, bool owned, bool expect_existed) {
    auto created = NamedMutex::Create(name, owned);
    if (!created.ok()) ADD_FAILURE() << name << ": " << created.error().Describe();
    EXPECT_EQ(created->already_existed, expect_existed) << name;
    return std::move(created->mutex);
  }
  NamedMutex OpenMutex(const std::string& name) {
    auto opened = NamedMutex::Open(name);
    if (!opened.ok()) ADD_FAILURE() << name << ": " << opened.error().Describe();
    return std::move(*opened);
  }

  TempDir temp_;
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.str()};
  ScopedEnv machine_{"VESKA_MACHINE_DIR", temp_.str() + "/machine"};
};

TEST_F(NamedMutexTest, NameExistsExactlyWhileAHandleIsOpen) {
  EXPECT_FALSE(NamedMutex::Open("exists").ok()) << "never created";
  {
    auto first = CreateMutex("exists", false, false);
    auto second = CreateMutex("exists", false, true);
    auto opened = OpenMutex("exists");
  }
  const auto reopened = NamedMutex::Open("exists");
  ASSERT_FALSE(reopened.ok()) << "every handle closed, though its file stays";
  EXPECT_EQ(reopened.error().code, ENOENT);
  CreateMutex("exists", false, false);
}

TEST_F(NamedMutexTest, OwnershipIsExclusiveRecursiveAndPerHandle) {
  auto a = CreateMutex("own", true, false);
  auto b = OpenMutex("own");
  EXPECT_EQ(b.Wait(0ms), MutexWait::kTimeout);
  EXPECT_EQ(a.Wait(0ms), MutexWait::kOwned) << "recursive";
  EXPECT_EQ(a.WaitForever(), MutexWait::kOwned);
  ASSERT_TRUE(a.Release().ok());
  ASSERT_TRUE(a.Release().ok());
  EXPECT_EQ(b.Wait(0ms), MutexWait::kTimeout) << "still owned once more";
  ASSERT_TRUE(a.Release().ok());
  EXPECT_FALSE(a.Release().ok()) << "no longer the owner";

  EXPECT_EQ(b.Wait(0ms), MutexWait::kOwned);
  EXPECT_EQ(a.Wait(20ms), MutexWait::kTimeout);
  EXPECT_FALSE(a.Release().ok());
  ASSERT_TRUE(b.Release().ok());
}

TEST_F(NamedMutexTest, InitialOwnershipOnlyForTheCreator) {
  auto creator = CreateMutex("initial", false, false);
  auto latecomer = CreateMutex("initial", true, true);
  EXPECT_FALSE(latecomer.Release().ok()) << "an existing mutex is not taken by Create";
  EXPECT_EQ(creator.Wait(0ms), MutexWait::kOwned);
}

TEST_F(NamedMutexTest, ClosingWhileOwningAbandonsAndACleanReleaseDoesNot) {
  auto waiter = CreateMutex("abandon", false, false);
  {
    auto owner = OpenMutex("abandon");
    ASSERT_EQ(owner.Wait(0ms), MutexWait::kOwned);
    ASSERT_EQ(owner.Wait(0ms), MutexWait::kOwned);
    ASSERT_TRUE(owner.Release().ok());  // once of twice: still owned when closed
  }
  EXPECT_EQ(waiter.Wait(0ms), MutexWait::kAbandoned);
  ASSERT_TRUE(waiter.Release().ok());
  EXPECT_EQ(waiter.Wait(0ms), MutexWait::kOwned) << "a clean release leaves nothing behind";
  ASSERT_TRUE(waiter.Release().ok());
}

TEST_F(NamedMutexTest, NewGenerationOfANameStartsClean) {
  { auto owner = CreateMutex("generation", true, false); }  // closed while owned
  auto fresh = CreateMutex("generation", false, false);
  EXPECT_EQ(fresh.Wait(0ms), MutexWait::kOwned);
}

TEST_F(NamedMutexTest, NamesMeetOnlyWhereTheyShould) {
  const std::string other_user_runtime = temp_.str() + "/other";
  fs::create_directory(other_user_runtime);
  fs::permissions(other_user_runtime, fs::perms::owner_all, fs::perm_options::replace);
  const struct {
    std::string first;
    std::string second;
    bool second_in_other_session;
    bool shared;
  } cases[] = {
      {"Global\\both", "Global\\both", true, true},   // machine-wide
      {"mine", "mine", true, false},                  // per user
      {"Local\\mine2", "mine2", false, true},         // Local\ is the user's own namespace
      {"Global\\g", "g", false, false},
      {"a/b", "a\\b", false, false},                  // escaped apart
      {"a/b", "a%2Fb", false, false},
      {"..", "%2E.", false, false},
      {"Global\\..\\..\\x", "Global\\..\\..\\x", false, true},
  };
  for (const auto& c : cases) {
    auto first = NamedMutex::Create(c.first, false);
    ASSERT_TRUE(first.ok()) << c.first << ": " << first.error().Describe();
    std::optional<ScopedEnv> other;
    if (c.second_in_other_session) other.emplace("XDG_RUNTIME_DIR", other_user_runtime);
    auto second = NamedMutex::Create(c.second, false);
    ASSERT_TRUE(second.ok()) << c.second << ": " << second.error().Describe();
    EXPECT_EQ(second->already_existed, c.shared) << c.first << " / " << c.second;
  }
  EXPECT_FALSE(NamedMutex::Create("", false).ok());
  EXPECT_FALSE(NamedMutex::Create("Global\\", false).ok());
  for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
    if (entry.is_regular_file()) {
      const auto folder = entry.path().parent_path();
      EXPECT_TRUE(folder == temp_ / "machine" || folder == temp_ / "veska" || folder == temp_ / "other/veska")
          << "stray lock file " << entry.path();
    }
  }
}

// Helpers run as separate processes and report through result files.
class NamedMutexProcessTest : public NamedMutexTest {
 protected:
  veska_test::ChildProcess Hold(const std::string& name, const std::string& mode, const std::string& result,
                                const std::string& start = "") {
    std::vector<std::string> args{"mutex-hold", name, mode, (temp_ / result).string()};
    if (!start.empty()) args.push_back((temp_ / start).string());
    return veska_test::ChildProcess(VESKA_PLATFORM_HELPER, args);
  }
  std::string ResultOf(const std::string& result) {
    const fs::path path = temp_ / result;
    if (!veska_test::WaitUntil([&] { return fs::exists(path); })) return "(no result)";
    return veska_test::ReadFile(path);
  }
};

TEST_F(NamedMutexProcessTest, SecondProcessSeesTheNameWhileTheFirstHoldsIt) {
  auto first = Hold("Global\\instance", "create", "first");
  ASSERT_EQ(ResultOf("first"), "created");
  auto second = Hold("Global\\instance", "create-owned", "second");
  EXPECT_EQ(ResultOf("second"), "existed");
  auto third = Hold("Global\\instance", "open", "third");
  EXPECT_EQ(ResultOf("third"), "opened");

  for (auto* holder : {&first, &second, &third}) {
    holder->Kill();
    holder->WaitExit();
  }
  CreateMutex("Global\\instance", false, false);
}

TEST_F(NamedMutexProcessTest, OwnerKilledWhileOwningLeavesTheMutexAbandonedForTheWaiter) {
  auto owner = Hold("Global\\killed", "create-owned", "owner");
  ASSERT_EQ(ResultOf("owner"), "created");
  auto waiter = OpenMutex("Global\\killed");
  EXPECT_EQ(waiter.Wait(0ms), MutexWait::kTimeout);

  auto waiting = std::async(std::launch::async, [&] { return waiter.Wait(10s); });
  owner.Kill();
  EXPECT_EQ(waiting.get(), MutexWait::kAbandoned);
  ASSERT_TRUE(waiter.Release().ok());
}

TEST_F(NamedMutexProcessTest, TimedWaitOnAMutexHeldElsewhereTimesOut) {
  auto owner = Hold("Global\\busy", "create-owned", "owner");
  ASSERT_EQ(ResultOf("owner"), "created");
  auto waiter = OpenMutex("Global\\busy");
  EXPECT_EQ(waiter.Wait(100ms), MutexWait::kTimeout);
  EXPECT_TRUE(NamedMutex::Open("Global\\busy").ok()) << "the mutex is still there";
}

// Creators that start together: exactly one of them creates the name.
TEST_F(NamedMutexProcessTest, RacingCreatorsAgreeOnOneCreator) {
  for (int round = 0; round < 3; ++round) {
    const std::string name = "Global\\race" + std::to_string(round);
    const std::string start = "start" + std::to_string(round);
    std::vector<veska_test::ChildProcess> racers;
    for (int i = 0; i < 4; ++i) racers.push_back(Hold(name, "create", name + "-" + std::to_string(i), start));
    veska_test::WriteFile(temp_ / start, "go");
    int created = 0;
    for (int i = 0; i < 4; ++i) {
      const std::string result = ResultOf(name + "-" + std::to_string(i));
      EXPECT_TRUE(result == "created" || result == "existed") << result;
      created += result == "created";
    }
    EXPECT_EQ(created, 1) << name;
  }
}

// Another user's process (uid 65534) reaches a machine-wide name of ours.
TEST_F(NamedMutexProcessTest, MachineWideNamesAreSharedWithOtherUsers) {
  fs::permissions(temp_.path(), fs::perms(0755), fs::perm_options::replace);
  auto mine = CreateMutex("Global\\shared", true, false);
  const auto blocked = veska_test::RunProgram(VESKA_PLATFORM_HELPER, {"as-user", "65534", "mutex-wait", "Global\\shared", "50"});
  EXPECT_EQ(blocked.exit_code, 2) << "times out on our ownership; " << blocked.err;
  ASSERT_TRUE(mine.Release().ok());
  const auto owns = veska_test::RunProgram(VESKA_PLATFORM_HELPER, {"as-user", "65534", "mutex-wait", "Global\\shared", "50"});
  EXPECT_EQ(owns.exit_code, 0) << owns.err;
}

}  // namespace
