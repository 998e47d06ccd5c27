#pragma once
// An object that owns one worker thread running its Run.

#include <chrono>
#include <memory>
#include <thread>

#include "updater/download/manual_reset_event.h"

class ThreadBase : public std::enable_shared_from_this<ThreadBase> {
 public:
  ThreadBase() = default;
  // Never ends a running thread. An object owned by a shared_ptr is kept alive
  // by its own thread until Run returns; any other object waits here for it.
  virtual ~ThreadBase();
  ThreadBase(const ThreadBase&) = delete;
  ThreadBase& operator=(const ThreadBase&) = delete;

  virtual void Run() = 0;

  // Starts the thread once; later calls start nothing (Run runs once per
  // object). False when the thread could not be created.
  bool StartThread();

  // idleEvent: signalled while no Run is in progress.
  bool IsIdle() const { return idleEvent_.IsSet(); }
  bool WaitIdle(std::chrono::milliseconds limit) const { return idleEvent_.Wait(limit); }
  std::thread::id threadId() const { return threadId_; }

 protected:
  // Waits for Run to end unless called on the thread itself. The most derived
  // destructor calls it first, so Run never sees a half-destroyed object.
  void WaitForRun();

 private:
  std::thread thread_;
  std::thread::id threadId_;
  ManualResetEvent idleEvent_{true};
};
