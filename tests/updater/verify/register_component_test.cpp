#include "updater/verify/register_component.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

class RegisterComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(VESKA_TEST_INSTALLER_COMPONENT, dir_ / kInstallerComponentName);
  }
  std::string ComponentPath() const { return (dir_ / kInstallerComponentName).string(); }
  std::string Marks() const {
    return std::filesystem::exists(dir_ / "marks") ? veska_test::ReadFile(dir_ / "marks") : "";
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv mark_{"VESKA_TEST_REGISTER_MARK", (dir_ / "marks").string()};
};

TEST_F(RegisterComponentTest, CallsTheEntryThatMatchesTheRequest) {
  veska_test::ScopedEnv result("VESKA_TEST_REGISTER_RESULT", std::nullopt);
  EXPECT_TRUE(RegisterComponent(true, ComponentPath()));
  EXPECT_TRUE(RegisterComponent(false, ComponentPath()));
  EXPECT_EQ(Marks(), "register\nunregister\n");
}

TEST_F(RegisterComponentTest, AFailureCodeFromTheEntryIsAFailure) {
  veska_test::ScopedEnv result("VESKA_TEST_REGISTER_RESULT", "0x80004005");
  EXPECT_FALSE(RegisterComponent(true, ComponentPath()));
  EXPECT_EQ(Marks(), "register\n");
}

TEST_F(RegisterComponentTest, AMissingModuleOrEntryIsAFailure) {
  EXPECT_FALSE(RegisterComponent(true, (dir_ / "absent" / kInstallerComponentName).string()));
  veska_test::WriteFile(dir_ / "not-a-module.dll", "text");
  EXPECT_FALSE(RegisterComponent(true, (dir_ / "not-a-module.dll").string()));
  EXPECT_EQ(Marks(), "");
}

}  // namespace
