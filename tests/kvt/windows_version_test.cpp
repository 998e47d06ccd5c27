#include "windows_version.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "kvt.h"
#include "platform/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

struct Calls {
  std::atomic<int> kernel{0};
  std::atomic<int> version_info{0};
};

class WindowsVersionTest : public testing::Test {
 protected:
  void TearDown() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }

  void UseSources(WindowsVersion kernel, std::optional<WindowsVersion> reported) {
    SetWindowsVersionSourcesForTesting(
        {[this, kernel] { ++calls_.kernel; return kernel; }, [] { return WindowsVersion{}; },
         [this, reported] { ++calls_.version_info; return reported; }});
  }
  void StoreDword(const char* name, std::uint32_t n) {
    ASSERT_TRUE(platform::RegistrySetValue(
        platform::RegistryRoot::kLocalMachine, kCurrentVersionKey, name,
        {4, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0}}));
  }
  void StoreCurrentVersion(const std::u16string& text) {
    platform::RegistryValue value{1, {}};
    for (char16_t c : text + u'\0') {
      value.data.push_back(static_cast<std::uint8_t>(c));
      value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    ASSERT_TRUE(platform::RegistrySetValue(platform::RegistryRoot::kLocalMachine,
                                           kCurrentVersionKey, "CurrentVersion", value));
  }
  std::pair<int32_t, std::string> Found() {
    uint32_t major = 99, minor = 99;
    const int32_t found = KvtGetWindowsVersion(&major, &minor);
    return {found, std::to_string(major) + "." + std::to_string(minor)};
  }

  Calls calls_;
  veska_test::TempDir dir_;
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", dir_.str()};
};

TEST_F(WindowsVersionTest, WithoutAnyConfigurationTheBuildStandsForWindows10) {
  SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources());
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, "10.0"}));
}

TEST_F(WindowsVersionTest, PredicatesFollowTheVersionFound) {
  struct Case {
    WindowsVersion version;
    std::vector<bool> expected;  // 2000 XP Vista 7 8 8.1 10 | Vista+ 7+ 8+ 10+
  };
  const std::vector<Case> cases = {
      {{10, 0}, {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1}},
      {{6, 3}, {0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 0}},
      {{6, 1}, {0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0}},
      {{5, 2}, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{5, 0}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    UseSources(c.version, std::nullopt);
    const std::vector<bool> got = {IsWindow2000(),       IsWindowXP(),      IsWindowVista(),
                                   IsWindow7(),          IsWindow8(),       IsWindow8_1(),
                                   IsWindows10(),        IsWindowVistaLatter(), IsWindow7Latter(),
                                   IsWindow8Latter(),    IsWindows10Later()};
    EXPECT_EQ(got, c.expected) << c.version.major << "." << c.version.minor;
  }
}

TEST_F(WindowsVersionTest, CurrentVersionTextCorrectsAReported62) {
  const std::vector<std::pair<std::u16string, std::string>> cases = {
      {u"6.3", "6.3"}, {u"6.3.1", "6.2"}, {u".3", "6.2"}, {u"", "6.2"}, {u"10.0", "10.0"}};
  for (const auto& [text, expected] : cases) {
    StoreCurrentVersion(text);
    UseSources({}, WindowsVersion{6, 2});
    EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, expected})) << std::string(text.begin(), text.end());
  }
  // Only a reported 6.2 is corrected.
  StoreCurrentVersion(u"6.3");
  UseSources({}, WindowsVersion{6, 1});
  EXPECT_EQ(Found().second, "6.1");
}

TEST_F(WindowsVersionTest, RegistryNumbersComeBeforeTheReportedVersion) {
  StoreDword("CurrentMajorVersionNumber", 10);
  StoreDword("CurrentMinorVersionNumber", 0);
  UseSources({}, WindowsVersion{6, 2});
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, "10.0"}));
  EXPECT_EQ(calls_.version_info, 0);

  // A minor number without a major one ends the search with nothing found.
  StoreDword("CurrentMajorVersionNumber", 0);
  StoreDword("CurrentMinorVersionNumber", 3);
  UseSources({}, WindowsVersion{6, 2});
  EXPECT_EQ(Found().first, 0);
}

TEST_F(WindowsVersionTest, AFoundVersionIsCachedAndAFailureIsNot) {
  UseSources({}, std::nullopt);
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{0, "0.0"}));
  EXPECT_EQ(Found().first, 0);
  EXPECT_EQ(calls_.version_info, 2);

  UseSources({}, WindowsVersion{6, 2});
  StoreCurrentVersion(u"6.3");
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, "6.3"}));
  const int kernel_calls = calls_.kernel;
  // Neither the sources nor the registry are asked again.
  StoreCurrentVersion(u"6.1");
  StoreDword("CurrentMajorVersionNumber", 11);
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, "6.3"}));
  EXPECT_TRUE(IsWindow8_1());
  EXPECT_EQ(calls_.kernel, kernel_calls);
  EXPECT_EQ(calls_.version_info, 3);
}

TEST_F(WindowsVersionTest, KernelAnswerWinsOverEverythingElse) {
  StoreDword("CurrentMajorVersionNumber", 6);
  UseSources({10, 0}, WindowsVersion{6, 2});
  EXPECT_EQ(Found(), (std::pair<int32_t, std::string>{1, "10.0"}));
  EXPECT_EQ(calls_.version_info, 0);
}

}  // namespace
}  // namespace kvt
