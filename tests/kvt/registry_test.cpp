#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "kvt.h"
#include "platform/registry_store.h"
#include "platform/user_account.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::RegistryAccessEntry;
using platform::RegistryRoot;
using platform::RegistryValue;

const KvtHKEY kUser = KVT_HKEY_CURRENT_USER;
constexpr uint32_t kInheritSubContainersAndObjects = 3;

RegistryValue Dword(std::uint32_t n) {
  return {4, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
              static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

class RegistryHelpersTest : public testing::Test {
 protected:
  std::string Me() { return *platform::CurrentUserName(); }
  RegistryValue Stored(const std::string& key, const std::string& name,
                       RegistryRoot root = RegistryRoot::kCurrentUser) {
    const auto value = platform::RegistryGetValue(root, key, name);
    return value ? *value : RegistryValue{0xFFFFFFFF, {}};
  }
  std::vector<RegistryAccessEntry> Entries(const std::string& key) {
    return *platform::RegistryGetAccessEntries("CURRENT_USER\\" + key);
  }
  void SetEntries(const std::string& key, const std::vector<RegistryAccessEntry>& entries) {
    ASSERT_TRUE(platform::RegistrySetAccessEntries("CURRENT_USER\\" + key, entries));
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv user_dir_{"VESKA_REGISTRY_USER_DIR", (dir_ / "user").string()};
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", (dir_ / "machine").string()};
};

TEST_F(RegistryHelpersTest, BoolAndDwordReadsFallBackToTheDefault) {
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Software\\Veska", u"Zero", 0));
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Software\\Veska", u"Seven", 7));
  ASSERT_TRUE(KvtRegSetString(kUser, u"Software\\Veska", u"Text", u"long text"));

  EXPECT_TRUE(KvtRegGetBOOL(kUser, u"Software\\Veska", u"Missing", true));
  EXPECT_FALSE(KvtRegGetBOOL(kUser, u"Software\\Veska", u"Missing", false));
  EXPECT_FALSE(KvtRegGetBOOL(kUser, u"Software\\Veska", u"Zero", true));
  EXPECT_TRUE(KvtRegGetBOOL(kUser, u"Software\\Veska", u"Seven", false));
  EXPECT_TRUE(KvtRegGetBOOL(kUser, u"Software\\Missing", u"Seven", true));

  EXPECT_EQ(KvtRegGetDWORD(kUser, u"Software\\Veska", u"Missing", 42), 42u);
  EXPECT_EQ(KvtRegGetDWORD(kUser, u"software\\veska", u"SEVEN", 42), 7u);
  // More than 4 bytes do not fit: the default stands.
  EXPECT_EQ(KvtRegGetDWORD(kUser, u"Software\\Veska", u"Text", 42), 42u);
}

TEST_F(RegistryHelpersTest, WritesStoreWhatWindowsStores) {
  ASSERT_TRUE(KvtRegSetBOOL(kUser, u"K", u"Five", 5));
  ASSERT_TRUE(KvtRegSetBOOL(kUser, u"K", u"Off", 0));
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"K", u"Big", 0xDEADBEEF));
  ASSERT_TRUE(KvtRegSetString(kUser, u"K", u"Empty", u""));
  ASSERT_TRUE(KvtRegSetString(kUser, u"K", u"Text", u"Gr\u00fc\u00dfe"));
  ASSERT_TRUE(KvtRegSetString(kUser, u"K", nullptr, u"A"));

  EXPECT_EQ(Stored("K", "Five"), Dword(1));
  EXPECT_EQ(Stored("K", "Off"), Dword(0));
  EXPECT_EQ(Stored("K", "Big"), Dword(0xDEADBEEF));
  EXPECT_EQ(Stored("K", "Empty"), (RegistryValue{1, {0, 0}}));
  EXPECT_EQ(Stored("K", "Text"), (RegistryValue{1, {'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, 0, 0}}));
  EXPECT_EQ(Stored("K", ""), (RegistryValue{1, {'A', 0, 0, 0}}));
}

TEST_F(RegistryHelpersTest, StringReadsKeepRoomForTheTerminator) {
  ASSERT_TRUE(KvtRegSetString(kUser, u"K", u"Text", u"abc"));
  ASSERT_TRUE(platform::RegistrySetValue(RegistryRoot::kCurrentUser, "K", "Bare", {1, {'x', 0, 'y', 0}}));

  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_TRUE(KvtRegGetString(kUser, u"K", u"Text", buffer, sizeof buffer));
  EXPECT_EQ(std::u16string(buffer), u"abc");
  // Stored without a terminator: still a terminated text.
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_TRUE(KvtRegGetString(kUser, u"K", u"Bare", buffer, sizeof buffer));
  EXPECT_EQ(std::u16string(buffer), u"xy");
  // "abc" and its terminator take 8 bytes: 8 offered leaves only 6.
  EXPECT_FALSE(KvtRegGetString(kUser, u"K", u"Text", buffer, 8));
  EXPECT_TRUE(KvtRegGetString(kUser, u"K", u"Text", buffer, 10));
  EXPECT_FALSE(KvtRegGetString(kUser, u"K", u"Text", buffer, 1));
  EXPECT_FALSE(KvtRegGetString(kUser, u"K", u"Text", nullptr, 16));
  EXPECT_FALSE(KvtRegGetString(kUser, u"K", u"Missing", buffer, sizeof buffer));
}

TEST_F(RegistryHelpersTest, WriteRefusedByTheKeyGoesThroughTheFixUpEveryTime) {
  const std::string me = Me();
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Locked", u"v", 1));
  SetEntries("Locked", {{me, true, platform::kKeySetValue, 0},
                        {me + "-other", true, platform::kKeyQueryValue, 0}});

  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Locked", u"v", 2));
  EXPECT_EQ(Stored("Locked", "v"), Dword(2));
  // Every deny entry went; the user's deny of value changes is back.
  EXPECT_EQ(Entries("Locked"),
            (std::vector<RegistryAccessEntry>{
                {me, true, platform::kKeySetValue, kInheritSubContainersAndObjects},
                {me, false, platform::kKeyAllAccess, kInheritSubContainersAndObjects}}));
  EXPECT_EQ(platform::RegistrySetValue(RegistryRoot::kCurrentUser, "Locked", "v", Dword(9))
                .error().code, EACCES);

  for (uint32_t n : {3u, 4u}) {
    ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Locked", u"v", n));
    EXPECT_EQ(Stored("Locked", "v"), Dword(n));
  }
  ASSERT_TRUE(KvtRegSetBOOL(kUser, u"Locked", u"b", 1));
  ASSERT_TRUE(KvtRegSetString(kUser, u"Locked", u"s", u"x"));
  ASSERT_TRUE(KvtRegDeleteKeyValue(kUser, u"Locked", u"v"));
  EXPECT_EQ(KvtRegGetDWORD(kUser, u"Locked", u"v", 77), 77u);
  EXPECT_EQ(Entries("Locked").front(),
            (RegistryAccessEntry{me, true, platform::kKeySetValue, kInheritSubContainersAndObjects}));
  EXPECT_EQ(Entries("Locked").size(), 2u);
}

TEST_F(RegistryHelpersTest, FixUpFailsWhereTheKeyCannotBeOpenedToTheUser) {
  // A key that does not exist under a parent refusing new sub-keys has no
  // access list to change.
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Parent", u"v", 1));
  SetEntries("Parent", {{Me(), true, platform::kKeyCreateSubKey, 0}});
  EXPECT_FALSE(KvtRegSetDWORD(kUser, u"Parent\\Child", u"v", 1));
  EXPECT_FALSE(KvtRegIsKeyExist(kUser, u"Parent\\Child"));
  // Roots other than the four have no store.
  const auto current_config = reinterpret_cast<KvtHKEY>(static_cast<intptr_t>(static_cast<int32_t>(0x80000005)));
  EXPECT_FALSE(KvtRegSetDWORD(current_config, u"K", u"v", 1));
  EXPECT_EQ(KvtRegGetDWORD(current_config, u"K", u"v", 5), 5u);
}

TEST_F(RegistryHelpersTest, KeysExistAlsoWhenTheyRefuseTheUser) {
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Closed\\Sub", u"v", 1));
  SetEntries("Closed", {{Me(), true, platform::kKeyAllAccess, 0}});
  EXPECT_TRUE(KvtRegIsKeyExist(kUser, u"Closed"));
  EXPECT_TRUE(KvtRegIsKeyExist(kUser, u"closed\\sub"));
  EXPECT_TRUE(KvtRegIsKeyExist(kUser, u""));
  EXPECT_FALSE(KvtRegIsKeyExist(kUser, u"Closed\\Missing"));
  EXPECT_EQ(KvtRegGetDWORD(kUser, u"Closed", u"v", 3), 3u);
}

TEST_F(RegistryHelpersTest, DeletingWithoutAValueNameRemovesTheWholeTree) {
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Tree\\A\\B\\C", u"v", 1));
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Tree\\A", u"v", 1));
  ASSERT_TRUE(KvtRegSetDWORD(kUser, u"Tree\\AB", u"v", 1));
  ASSERT_TRUE(KvtRegDeleteKeyValue(kUser, u"tree\\a", nullptr));
  EXPECT_FALSE(KvtRegIsKeyExist(kUser, u"Tree\\A"));
  EXPECT_FALSE(KvtRegIsKeyExist(kUser, u"Tree\\A\\B\\C"));
  EXPECT_TRUE(KvtRegIsKeyExist(kUser, u"Tree\\AB"));
  EXPECT_FALSE(KvtRegDeleteKeyValue(kUser, u"Tree\\A", nullptr));
  EXPECT_FALSE(KvtRegDeleteKeyValue(kUser, u"Tree\\AB", u"Missing"));
}

TEST_F(RegistryHelpersTest, ClassPathsComeFromTheClassesRoot) {
  const std::string key = "CLSID\\{3E0B9C7A-5D21-4F6E-8A13-C4B2D7E9F015}\\InprocServer32";
  ASSERT_TRUE(platform::RegistrySetValue(RegistryRoot::kClassesRoot, key, "",
                                         {1, {'/', 0, 'x', 0, '.', 0, 's', 0, 'o', 0, 0, 0}}));
  char16_t path[16] = {};
  ASSERT_TRUE(GetDllPathForClsid(u"{3E0B9C7A-5D21-4F6E-8A13-C4B2D7E9F015}", path, sizeof path));
  EXPECT_EQ(std::u16string(path), u"/x.so");
  EXPECT_FALSE(GetDllPathForClsid(u"{3E0B9C7A-5D21-4F6E-8A13-C4B2D7E9F015}", path, 6));
  EXPECT_FALSE(GetDllPathForClsid(u"{00000000-0000-0000-0000-000000000000}", path, sizeof path));
  EXPECT_FALSE(GetDllPathForClsid(nullptr, path, sizeof path));
}

TEST_F(RegistryHelpersTest, BothSpellingsOfTheRootHandlesWork) {
  const auto zero_extended = reinterpret_cast<KvtHKEY>(static_cast<uintptr_t>(0x80000002u));
  ASSERT_TRUE(KvtRegSetDWORD(zero_extended, u"K", u"v", 6));
  EXPECT_EQ(KvtRegGetDWORD(KVT_HKEY_LOCAL_MACHINE, u"K", u"v", 0), 6u);
  EXPECT_EQ(Stored("K", "v", RegistryRoot::kLocalMachine), Dword(6));
}

TEST_F(RegistryHelpersTest, DamagedStoreGivesDefaultsAndFailedWrites) {
  fs::create_directories(dir_ / "user");
  veska_test::WriteFile(dir_ / "user" / "registry.sqlite3", std::string(2048, 'x'));
  EXPECT_EQ(KvtRegGetDWORD(kUser, u"K", u"v", 9), 9u);
  EXPECT_TRUE(KvtRegGetBOOL(kUser, u"K", u"v", true));
  EXPECT_FALSE(KvtRegSetDWORD(kUser, u"K", u"v", 1));
  EXPECT_FALSE(KvtRegIsKeyExist(kUser, u"K"));
  EXPECT_FALSE(KvtRegDeleteKeyValue(kUser, u"K", nullptr));
  EXPECT_EQ(veska_test::ReadFile(dir_ / "user" / "registry.sqlite3"), std::string(2048, 'x'));
}

}  // namespace
