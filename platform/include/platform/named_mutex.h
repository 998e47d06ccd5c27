#pragma once
// Named mutexes with Windows semantics: the name exists while any handle is
// open; one owner at a time; an owner that dies while owning leaves the mutex
// abandoned, which the next waiter is told. Names starting with "Global\" are
// machine-wide (MachineWideFolder), other names are private to the user
// (PrivateRuntimeFolder). Ownership is per handle and recursive.

#include <chrono>
#include <memory>
#include <string>

#include "platform/result.h"

namespace platform {

enum class MutexWait { kOwned, kAbandoned, kTimeout, kFailed };

class NamedMutex {
 public:
  NamedMutex(NamedMutex&&) noexcept;
  NamedMutex& operator=(NamedMutex&&) noexcept;
  // Closes the handle. Ownership still held is given up without a clean
  // release, so the next owner is told kAbandoned (as when an owning thread
  // ends without ReleaseMutex); call Release first for a clean hand-over.
  ~NamedMutex();

  struct Created;
  // CreateMutexW: creates the mutex or opens the existing one.
  // `already_existed` tells which; ownership is taken only when the mutex was
  // created by this call and `initially_owned` is set.
  static Result<Created> Create(const std::string& name, bool initially_owned);
  // OpenMutexW: fails when no handle to the name is open anywhere.
  static Result<NamedMutex> Open(const std::string& name);

  MutexWait Wait(std::chrono::milliseconds timeout);
  MutexWait WaitForever();
  // ReleaseMutex: fails when this handle does not own the mutex.
  Status Release();

  struct State;  // backend-defined
  explicit NamedMutex(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

struct NamedMutex::Created {
  NamedMutex mutex;
  bool already_existed = false;
};

}  // namespace platform
