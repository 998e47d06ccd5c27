// FileAddAccessRights and the "users" entry of the file helpers, read back
// with getfacl.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acl_tools.h"
#include "file_access_rights.h"
#include "kvt.h"
#include "platform/text.h"
#include "platform/user_account.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "windows_version.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }

class AccessRightsTest : public testing::Test {
 protected:
  void SetUp() override {
    KVT_SKIP_WITHOUT_ACLS(dir_.path());
    SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources());
  }
  void TearDown() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", dir_.str()};
};

TEST_F(AccessRightsTest, ReplacesTheAccountsEntryAndKeepsTheOthers) {
  const fs::path file = dir_ / "file.txt";
  veska_test::WriteFile(file, "x");
  kvt_test::ModifyAcl(file, "user:nobody:rwx,user:daemon:r-x,group:users:-w-");

  ASSERT_TRUE(FileAddAccessRights(W(file).c_str(), u"nobody", KVT_GENERIC_READ));
  const auto lines = kvt_test::AclLines(file);
  EXPECT_EQ(kvt_test::WithPrefix(lines, "user:nobody:"), Lines{"user:nobody:r--"});
  EXPECT_EQ(kvt_test::WithPrefix(lines, "user:daemon:"), Lines{"user:daemon:r-x"});
  EXPECT_EQ(kvt_test::WithPrefix(lines, "group:users:"), Lines{"group:users:-w-"});

  // A group by name, with a mask of rights that map to write and execute.
  ASSERT_TRUE(FileAddAccessRights(W(file).c_str(), u"users", 0x2 | 0x20));
  EXPECT_EQ(kvt_test::WithPrefix(kvt_test::AclLines(file), "group:users:"), Lines{"group:users:-wx"});
}

TEST_F(AccessRightsTest, AnUnknownAccountOrPathChangesNothing) {
  const fs::path file = dir_ / "file.txt";
  veska_test::WriteFile(file, "x");
  kvt_test::ModifyAcl(file, "user:nobody:r--");
  const auto before = kvt_test::AclLines(file);

  EXPECT_FALSE(FileAddAccessRights(W(file).c_str(), u"no-such-account-veska", KVT_GENERIC_ALL));
  EXPECT_FALSE(FileAddAccessRights(W(dir_ / "missing").c_str(), u"nobody", KVT_GENERIC_ALL));
  EXPECT_FALSE(FileAddAccessRights(nullptr, u"nobody", KVT_GENERIC_ALL));
  EXPECT_FALSE(FileAddAccessRights(W(file).c_str(), nullptr, KVT_GENERIC_ALL));
  EXPECT_EQ(kvt_test::AclLines(file), before);
}

TEST_F(AccessRightsTest, AFolderPassesTheEntryOnToNewChildren) {
  const fs::path folder = dir_ / "folder";
  fs::create_directory(folder);
  ASSERT_TRUE(FileAddAccessRights(W(folder).c_str(), u"nobody", KVT_GENERIC_READ));
  const auto lines = kvt_test::AclLines(folder);
  // Who may list a folder may also go into it.
  EXPECT_EQ(kvt_test::WithPrefix(lines, "user:nobody:"), Lines{"user:nobody:r-x"});
  EXPECT_EQ(kvt_test::WithPrefix(lines, "default:user:nobody:"), Lines{"default:user:nobody:r-x"});
  EXPECT_EQ(kvt_test::WithPrefix(lines, "default:user::").size(), 1u);

  veska_test::WriteFile(folder / "child.txt", "x");
  EXPECT_EQ(kvt_test::WithPrefix(kvt_test::AclLines(folder / "child.txt"), "user:nobody:"),
            Lines{"user:nobody:r-x"});
}

TEST_F(AccessRightsTest, TheOwnerIsGivenItsOwnEntry) {
  const fs::path file = dir_ / "file.txt";
  veska_test::WriteFile(file, "x");
  const auto me = platform::CurrentUserName();
  ASSERT_TRUE(me);
  ASSERT_TRUE(FileAddAccessRights(W(file).c_str(), platform::Utf8ToUtf16(*me).c_str(),
                                  KVT_GENERIC_READ | KVT_GENERIC_EXECUTE));
  const auto lines = kvt_test::AclLines(file);
  EXPECT_EQ(kvt_test::WithPrefix(lines, "user::"), Lines{"user::r-x"});
  EXPECT_TRUE(kvt_test::WithPrefix(lines, "user:" + *me + ":").empty());
}

TEST(AccessMaskTest, WindowsRightsMapToReadWriteAndExecute) {
  struct Case {
    std::uint32_t mask;
    bool folder;
    unsigned expected;
  };
  for (const auto& c : std::vector<Case>{{kGenericAll, false, 7},
                                         {kGenericRead, false, 4},
                                         {kGenericRead, true, 5},
                                         {kGenericWrite, false, 2},
                                         {kGenericExecute, false, 1},
                                         {0x001F01FF, false, 7},  // FILE_ALL_ACCESS
                                         {0x40, true, 2},          // FILE_DELETE_CHILD
                                         {0x40, false, 0},
                                         {0x00010000, false, 0},   // DELETE alone
                                         {0, true, 0}}) {
    EXPECT_EQ(PermissionsForAccessMask(c.mask, c.folder), c.expected) << std::hex << c.mask << " " << c.folder;
  }
}

}  // namespace
}  // namespace kvt
