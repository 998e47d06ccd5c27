// The User Account Control questions at the Windows levels that change them.

#include <gtest/gtest.h>
#include <unistd.h>

#include "kvt.h"
#include "platform/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "windows_version.h"

namespace kvt {
namespace {

constexpr const char* kPoliciesSystemKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

class UacQueriesTest : public testing::Test {
 protected:
  void TearDown() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }

  void AtWindowsLevel(std::uint32_t major, std::uint32_t minor) {
    SetWindowsVersionSourcesForTesting({[=] { return WindowsVersion{major, minor}; }, {}, {}});
  }
  void StoreEnableLua(std::uint32_t value) {
    ASSERT_TRUE(platform::RegistrySetValue(platform::RegistryRoot::kLocalMachine, kPoliciesSystemKey, "EnableLUA",
                                           {4, {static_cast<std::uint8_t>(value), 0, 0, 0}}));
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", dir_.str()};
};

TEST_F(UacQueriesTest, IsHasUacAsksForTheSuperuserOnlyWhileUacIsOn) {
  const bool superuser = geteuid() == 0;
  AtWindowsLevel(10, 0);
  EXPECT_EQ(IsHasUAC(), superuser) << "no EnableLUA stored counts as 1";
  StoreEnableLua(1);
  EXPECT_EQ(IsHasUAC(), superuser);
  StoreEnableLua(0);
  EXPECT_TRUE(IsHasUAC());
  StoreEnableLua(1);
  AtWindowsLevel(5, 1);
  EXPECT_TRUE(IsHasUAC());
}

TEST_F(UacQueriesTest, VirtualisationAndMessageFilteringDoNotExistHere) {
  AtWindowsLevel(10, 0);
  EXPECT_EQ(IsSystemUACEnable(), 1);
  EXPECT_FALSE(IsProcessVirtualized());
  EXPECT_TRUE(EnableVirtualized(true));
  EXPECT_TRUE(EnableVirtualized(false));
  EXPECT_EQ(UACAllowWindowMeesage(0x004A, 1), 1);
  EXPECT_EQ(UACAllowWindowMeesage(0x004A, 0), 1);
  AtWindowsLevel(5, 1);
  EXPECT_FALSE(EnableVirtualized(true));
  EXPECT_EQ(UACAllowWindowMeesage(0x004A, 1), 1);
}

}  // namespace
}  // namespace kvt
