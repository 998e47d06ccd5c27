#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/user_account.h"
#include "support/files.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using veska_test::ReadFile;
using veska_test::WriteFile;

constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::kLocalMachine;

RegistryValue Dword(std::uint32_t n) {
  return {4, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
              static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

int ErrorOf(const Status& status) { return status ? 0 : status.error().code; }
template <class T>
int ErrorOf(const Result<T>& result) { return result ? 0 : result.error().code; }

class RegistryStoreTest : public testing::Test {
 protected:
  std::string Me() { return *CurrentUserName(); }
  void SetEntries(const std::string& key, std::vector<RegistryAccessEntry> entries) {
    ASSERT_TRUE(RegistrySetAccessEntries("CURRENT_USER\\" + key, entries));
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv user_dir_{"VESKA_REGISTRY_USER_DIR", (dir_ / "user").string()};
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", (dir_ / "machine").string()};
};

TEST_F(RegistryStoreTest, ValuesRoundTripWithNamesInAnyCase) {
  ASSERT_TRUE(RegistrySetValue(kUser, "Software\\Veska", "Count", Dword(7)));
  ASSERT_TRUE(RegistrySetValue(kUser, "Software\\Veska", "", {1, {0, 0}}));
  ASSERT_TRUE(RegistrySetValue(kUser, "", "AtRoot", {3, {}}));

  EXPECT_EQ(*RegistryGetValue(kUser, "SOFTWARE\\veska", "COUNT"), Dword(7));
  EXPECT_EQ(*RegistryGetValue(kUser, "\\Software\\\\Veska\\", "count"), Dword(7));
  EXPECT_EQ(*RegistryGetValue(kUser, "Software\\Veska", ""), (RegistryValue{1, {0, 0}}));
  EXPECT_EQ(*RegistryGetValue(kUser, "", "atroot"), (RegistryValue{3, {}}));
  ASSERT_TRUE(RegistrySetValue(kUser, "software\\VESKA", "count", Dword(8)));
  EXPECT_EQ(*RegistryGetValue(kUser, "Software\\Veska", "Count"), Dword(8));

  EXPECT_TRUE(RegistryOpenKey(kUser, "Software"));
  EXPECT_EQ(ErrorOf(RegistryOpenKey(kUser, "Software\\Other")), ENOENT);
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "Software\\Veska", "Missing")), ENOENT);
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "Software\\Missing", "Count")), ENOENT);
  EXPECT_EQ(ErrorOf(RegistryDeleteValue(kUser, "Software\\Veska", "Missing")), ENOENT);
  ASSERT_TRUE(RegistryDeleteValue(kUser, "Software\\Veska", "Count"));
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "Software\\Veska", "Count")), ENOENT);
}

TEST_F(RegistryStoreTest, UserAndMachineRootsKeepTheirOwnStores) {
  ASSERT_TRUE(RegistrySetValue(kMachine, "Software\\Veska", "Where", Dword(1)));
  ASSERT_TRUE(RegistrySetValue(RegistryRoot::kClassesRoot, "Software\\Veska", "Where", Dword(2)));
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "Software\\Veska", "Where")), ENOENT);
  EXPECT_EQ(*RegistryGetValue(kMachine, "Software\\Veska", "Where"), Dword(1));
  EXPECT_TRUE(fs::exists(dir_ / "machine" / "registry.sqlite3"));
  // Reads never create a store.
  EXPECT_FALSE(fs::exists(dir_ / "user"));
  EXPECT_EQ(*RegistryStoreFolder(kUser), (dir_ / "user").string());
}

TEST_F(RegistryStoreTest, AccessEntriesDecideInOrderAndPassToSubKeys) {
  ASSERT_TRUE(RegistryCreateKey(kUser, "A\\B\\C"));
  ASSERT_TRUE(RegistrySetValue(kUser, "A\\B", "v", Dword(0)));
  const std::string me = Me();

  SetEntries("A\\B", {{me, true, kKeySetValue, 0}});
  EXPECT_EQ(ErrorOf(RegistrySetValue(kUser, "A\\B", "v", Dword(1))), EACCES);
  EXPECT_EQ(*RegistryGetValue(kUser, "A\\B", "v"), Dword(0));
  // Not passed on without the sub-key flag.
  EXPECT_TRUE(RegistrySetValue(kUser, "A\\B\\C", "v", Dword(1)));

  SetEntries("A\\B", {{me, true, kKeySetValue, kInheritToSubKeys | kInheritOnly}});
  EXPECT_TRUE(RegistrySetValue(kUser, "A\\B", "v", Dword(1)));
  EXPECT_EQ(ErrorOf(RegistrySetValue(kUser, "A\\B\\C", "v", Dword(2))), EACCES);
  // Creating a sub-key is another right.
  EXPECT_TRUE(RegistryCreateKey(kUser, "A\\B\\C\\D"));
  EXPECT_EQ(ErrorOf(RegistrySetValue(kUser, "A\\B\\C\\D", "v", Dword(2))), EACCES);

  SetEntries("A\\B", {{me, true, kKeySetValue, kInheritToSubKeys | kInheritNoPropagate}});
  EXPECT_EQ(ErrorOf(RegistrySetValue(kUser, "A\\B\\C", "v", Dword(3))), EACCES);
  EXPECT_TRUE(RegistrySetValue(kUser, "A\\B\\C\\D", "v", Dword(3)));

  // The key's own allow entry comes before what its parent passes on.
  SetEntries("A\\B", {{me, true, kKeySetValue, kInheritToSubKeys}});
  SetEntries("A\\B\\C", {{me, false, kKeyAllAccess, 0}});
  EXPECT_TRUE(RegistrySetValue(kUser, "A\\B\\C", "v", Dword(4)));
  // Entries for somebody else do not touch us.
  SetEntries("A\\B", {{me + "-other", true, kKeyAllAccess, kInheritToSubKeys}});
  EXPECT_TRUE(RegistrySetValue(kUser, "A\\B", "v", Dword(5)));

  EXPECT_EQ(*RegistryGetAccessEntries("current_user\\a\\b"),
            (std::vector<RegistryAccessEntry>{{me + "-other", true, kKeyAllAccess, kInheritToSubKeys}}));
  EXPECT_EQ(ErrorOf(RegistryGetAccessEntries("CURRENT_USER\\A\\Missing")), ENOENT);
  EXPECT_EQ(ErrorOf(RegistryGetAccessEntries("CURRENT_CONFIG\\A")), EINVAL);
}

TEST_F(RegistryStoreTest, KeyRefusingEveryRightExistsButCannotBeOpened) {
  ASSERT_TRUE(RegistrySetValue(kUser, "Closed", "v", Dword(1)));
  SetEntries("Closed", {{Me(), true, kKeyAllAccess, 0}});
  EXPECT_EQ(ErrorOf(RegistryOpenKey(kUser, "Closed")), EACCES);
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "Closed", "v")), EACCES);
  // The entries stay the user's to change.
  SetEntries("Closed", {});
  EXPECT_EQ(*RegistryGetValue(kUser, "Closed", "v"), Dword(1));
}

TEST_F(RegistryStoreTest, DeletingATreeTakesAllOrNothing) {
  for (const char* key : {"T\\a\\x", "T\\a\\y\\z", "T\\ab", "T\\b"}) {
    ASSERT_TRUE(RegistrySetValue(kUser, key, "v", Dword(1)));
  }
  SetEntries("T\\a\\y\\z", {{Me(), true, kKeyDelete, 0}});
  EXPECT_EQ(ErrorOf(RegistryDeleteKeyTree(kUser, "T\\A")), EACCES);
  EXPECT_TRUE(RegistryOpenKey(kUser, "T\\a\\x"));

  SetEntries("T\\a\\y\\z", {});
  ASSERT_TRUE(RegistryDeleteKeyTree(kUser, "T\\A"));
  for (const char* gone : {"T\\a", "T\\a\\x", "T\\a\\y", "T\\a\\y\\z"}) {
    EXPECT_EQ(ErrorOf(RegistryOpenKey(kUser, gone)), ENOENT) << gone;
  }
  EXPECT_EQ(*RegistryGetValue(kUser, "T\\ab", "v"), Dword(1));
  EXPECT_EQ(*RegistryGetValue(kUser, "T\\b", "v"), Dword(1));
  EXPECT_EQ(ErrorOf(RegistryDeleteKeyTree(kUser, "T\\a")), ENOENT);
  EXPECT_EQ(ErrorOf(RegistryDeleteKeyTree(kUser, "")), EINVAL);
}

TEST_F(RegistryStoreTest, DamagedOrUnreadableStoreFailsCleanlyAndIsKept) {
  fs::create_directories(dir_ / "user");
  const std::string garbage(4096, '\x5a');
  WriteFile(dir_ / "user" / "registry.sqlite3", garbage);
  EXPECT_EQ(ErrorOf(RegistryGetValue(kUser, "K", "v")), EIO);
  EXPECT_EQ(ErrorOf(RegistrySetValue(kUser, "K", "v", Dword(1))), EIO);
  EXPECT_EQ(ErrorOf(RegistryOpenKey(kUser, "K")), EIO);
  EXPECT_EQ(ReadFile(dir_ / "user" / "registry.sqlite3"), garbage);

  fs::create_directories(dir_ / "machine" / "registry.sqlite3");
  EXPECT_EQ(ErrorOf(RegistryGetValue(kMachine, "K", "v")), EIO);
  EXPECT_EQ(ErrorOf(RegistrySetValue(kMachine, "K", "v", Dword(1))), EIO);
}

TEST_F(RegistryStoreTest, UsersWhoMayNotWriteBesideTheMachineStoreStillReadIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a store another user only reads";
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
  ASSERT_TRUE(RegistrySetValue(kMachine, "Software\\Veska", "v", Dword(1)));
  ASSERT_FALSE(fs::exists(dir_ / "machine" / "registry.sqlite3-shm"));
  const auto run = veska_test::RunProgram(VESKA_PLATFORM_HELPER,
                                          {"as-user", "65534", "registry-read", "Software\\Veska", "v"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "4\n");
}

TEST_F(RegistryStoreTest, ThreadsWritingAtOnceLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kWrites; ++i) {
        RegistrySetValue(kUser, "Busy\\" + std::to_string(t), "v" + std::to_string(i),
                         Dword(static_cast<std::uint32_t>(t * 1000 + i)));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kWrites; ++i) {
      const auto value =
          RegistryGetValue(kUser, "Busy\\" + std::to_string(t), "v" + std::to_string(i));
      ASSERT_TRUE(value) << t << "/" << i << ": " << value.error().Describe();
      EXPECT_EQ(*value, Dword(static_cast<std::uint32_t>(t * 1000 + i)));
    }
  }
}

}  // namespace
}  // namespace platform
