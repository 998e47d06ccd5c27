#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "kvt.h"
#include "platform/thread_id.h"

namespace {

struct Seen {
  std::atomic<void*> user_data{nullptr};
  std::atomic<uint32_t> id{0};
  std::atomic<bool> release{false};
};

uint32_t Record(void* data) {
  auto* seen = static_cast<Seen*>(data);
  seen->user_data = data;
  seen->id = platform::CurrentThreadId();
  return 42;
}

uint32_t WaitForRelease(void* data) {
  auto* seen = static_cast<Seen*>(data);
  while (!seen->release) std::this_thread::yield();
  return 7;
}

TEST(CreateThreadTest, RunsTheProcedureWithItsDataAndKeepsTheExitCode) {
  Seen seen;
  uint32_t id = 0;
  KvtThread thread = KvtCreateThread(Record, &seen, &id, u"worker", 1, 0);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(KvtWaitForThread(thread, KVT_INFINITE), KVT_WAIT_OBJECT_0);
  uint32_t code = 0;
  ASSERT_TRUE(KvtGetThreadExitCode(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(seen.user_data, &seen);
  EXPECT_EQ(seen.id, id);
  EXPECT_NE(id, platform::CurrentThreadId());
  EXPECT_TRUE(KvtCloseThread(thread));
}

TEST(CreateThreadTest, ARunningThreadIsStillActiveUntilItEnds) {
  Seen seen;
  KvtThread thread = KvtCreateThread(WaitForRelease, &seen, nullptr, nullptr, 3, 0);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(KvtWaitForThread(thread, 20), KVT_WAIT_TIMEOUT);
  uint32_t code = 0;
  ASSERT_TRUE(KvtGetThreadExitCode(thread, &code));
  EXPECT_EQ(code, KVT_STILL_ACTIVE);
  seen.release = true;
  EXPECT_EQ(KvtWaitForThread(thread, 10000), KVT_WAIT_OBJECT_0);
  ASSERT_TRUE(KvtGetThreadExitCode(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(KvtCloseThread(thread));
}

TEST(CreateThreadTest, NothingStartsWithoutAProcedureOrSuspended) {
  Seen seen;
  EXPECT_EQ(KvtCreateThread(nullptr, &seen, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(KvtCreateThread(Record, &seen, nullptr, nullptr, 0, KVT_CREATE_SUSPENDED), nullptr);
  EXPECT_EQ(seen.user_data, nullptr);
  EXPECT_EQ(KvtWaitForThread(nullptr, 0), KVT_WAIT_FAILED);
  EXPECT_FALSE(KvtCloseThread(nullptr));
}

}  // namespace
