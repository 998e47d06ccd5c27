// Several processes write and read the registry store at once; no value is
// lost.

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

constexpr int kWriters = 4;
constexpr int kWritesEach = 150;

std::uint32_t AsDword(const platform::RegistryValue& value) {
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < 4 && i < value.data.size(); ++i) n |= std::uint32_t{value.data[i]} << (8 * i);
  return n;
}

TEST(RegistryStressTest, ConcurrentWritersLoseNoValue) {
  veska_test::TempDir dir;
  veska_test::ScopedEnv store{"VESKA_REGISTRY_USER_DIR", dir.str()};
  platform::SpawnOptions options;

  std::vector<platform::Process> writers;
  for (int w = 0; w < kWriters; ++w) {
    auto process = platform::Spawn(std::string("\"") + VESKA_KVT_REGISTRY_WRITER + "\" \"" +
                                       VESKA_KVT_LIBRARY + "\" " + std::to_string(w) + " " +
                                       std::to_string(kWritesEach),
                                   options);
    ASSERT_TRUE(process) << process.error().Describe();
    writers.push_back(std::move(*process));
  }
  for (auto& writer : writers) {
    ASSERT_EQ(writer.Wait(std::chrono::seconds(100)), platform::WaitOutcome::kExited);
    EXPECT_EQ(writer.ExitCode(), 0);
  }

  std::set<std::uint32_t> writers_last_values;
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kWritesEach; ++i) {
      const auto value = platform::RegistryGetValue(platform::RegistryRoot::kCurrentUser,
                                                    "Stress\\" + std::to_string(w),
                                                    "v" + std::to_string(i));
      ASSERT_TRUE(value) << w << "/" << i << ": " << value.error().Describe();
      EXPECT_EQ(AsDword(*value), static_cast<std::uint32_t>(w * 100000 + i));
    }
    writers_last_values.insert(static_cast<std::uint32_t>(w * 100000 + kWritesEach - 1));
  }
  // The shared value holds one writer's last write, whole.
  const auto shared =
      platform::RegistryGetValue(platform::RegistryRoot::kCurrentUser, "Stress\\Shared", "last");
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->data.size(), 4u);
  EXPECT_TRUE(writers_last_values.count(AsDword(*shared)) == 1) << AsDword(*shared);
}

}  // namespace
