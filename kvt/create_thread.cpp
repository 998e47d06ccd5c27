// KvtCreateThread and the Linux additions that wait on, read and close the
// handle it returns.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "kvt.h"
#include "platform/thread_id.h"
#include "wide_text.h"

namespace kvt {
namespace {

// What the thread and its handle share; lives until both are done with it.
struct ThreadState {
  std::mutex lock;
  std::condition_variable changed;
  bool id_known = false;
  std::uint32_t id = 0;
  bool ended = false;
  std::uint32_t exit_code = KVT_STILL_ACTIVE;
};

struct ThreadHandle {
  std::shared_ptr<ThreadState> state;
};

// The start record of the new thread.
struct StartRecord {
  KvtThreadProc proc;
  void* user_data;
  std::u16string name;  // kept, as the name is used for nothing else
  int32_t com_mode;     // no COM to initialise here
};

void RunThread(std::unique_ptr<StartRecord> start, std::shared_ptr<ThreadState> state) {
  {
    std::lock_guard lock(state->lock);
    state->id = platform::CurrentThreadId();
    state->id_known = true;
  }
  state->changed.notify_all();
  const std::uint32_t code = start->proc(start->user_data);
  start.reset();
  {
    std::lock_guard lock(state->lock);
    state->exit_code = code;
    state->ended = true;
  }
  state->changed.notify_all();
}

ThreadHandle* HandleOf(KvtThread thread) { return static_cast<ThreadHandle*>(thread); }

}  // namespace
}  // namespace kvt

extern "C" {

KvtThread KvtCreateThread(KvtThreadProc threadProc, void* userData, uint32_t* threadId,
                          const char16_t* name, int32_t comMode, uint32_t createFlags) {
  if (threadProc == nullptr) return nullptr;
  // A suspended thread would need a ResumeThread this library does not offer.
  if ((createFlags & KVT_CREATE_SUSPENDED) != 0) return nullptr;
  try {
    auto start = std::make_unique<kvt::StartRecord>(
        kvt::StartRecord{threadProc, userData, std::u16string(kvt::WideArg(name)), comMode});
    auto state = std::make_shared<kvt::ThreadState>();
    auto handle = std::make_unique<kvt::ThreadHandle>(kvt::ThreadHandle{state});
    std::thread(kvt::RunThread, std::move(start), state).detach();
    if (threadId != nullptr) {
      std::unique_lock lock(state->lock);
      state->changed.wait(lock, [&] { return state->id_known; });
      *threadId = state->id;
    }
    return handle.release();
  } catch (...) {
    return nullptr;
  }
}

uint32_t KvtWaitForThread(KvtThread thread, uint32_t timeoutMs) {
  if (thread == nullptr) return KVT_WAIT_FAILED;
  auto& state = *kvt::HandleOf(thread)->state;
  std::unique_lock lock(state.lock);
  if (timeoutMs == KVT_INFINITE) {
    state.changed.wait(lock, [&] { return state.ended; });
    return KVT_WAIT_OBJECT_0;
  }
  const bool ended = state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                            [&] { return state.ended; });
  return ended ? KVT_WAIT_OBJECT_0 : KVT_WAIT_TIMEOUT;
}

bool KvtGetThreadExitCode(KvtThread thread, uint32_t* exitCode) {
  if (thread == nullptr || exitCode == nullptr) return false;
  auto& state = *kvt::HandleOf(thread)->state;
  std::lock_guard lock(state.lock);
  *exitCode = state.exit_code;
  return true;
}

bool KvtCloseThread(KvtThread thread) {
  if (thread == nullptr) return false;
  delete kvt::HandleOf(thread);
  return true;
}

}  // extern "C"
