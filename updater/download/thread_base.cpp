#include "updater/download/thread_base.h"

#include <system_error>

ThreadBase::~ThreadBase() { WaitForRun(); }

void ThreadBase::WaitForRun() {
  if (!thread_.joinable()) return;
  // The last reference may go on the thread itself, which cannot wait for itself.
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

bool ThreadBase::StartThread() {
  if (thread_.joinable()) return true;
  // Reset before the thread exists, so that a quick Run cannot signal first
  // and leave the event reset for ever.
  idleEvent_.Reset();
  std::shared_ptr<ThreadBase> keepAlive = weak_from_this().lock();
  try {
    thread_ = std::thread([this, keepAlive = std::move(keepAlive)]() mutable {
      Run();
      idleEvent_.Set();
      keepAlive.reset();
    });
  } catch (const std::system_error&) {
    idleEvent_.Set();
    return false;
  }
  threadId_ = thread_.get_id();
  return true;
}
