#pragma once
// A value or the system error that prevented it. Nothing in the platform
// layer throws; callers decide whether a failure is logged, ignored or fatal.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
  int code = 0;        // errno (or the OS's own code on other backends)
  std::string what;    // the operation that failed, for the log

  std::string Describe() const;  // "what: strerror(code)"
};

template <class T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}           // NOLINT: implicit by design
  Result(Error error) : state_(std::move(error)) {}       // NOLINT
  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { assert(ok()); return std::get<0>(state_); }
  const T& value() const { assert(ok()); return std::get<0>(state_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { assert(!ok()); return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// Result of an operation that yields nothing but success or an error.
class Status {
 public:
  Status() = default;
  Status(Error error) : failed_(true), error_(std::move(error)) {}  // NOLINT
  static Status Ok() { return Status(); }
  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return error_; }

 private:
  bool failed_ = false;
  Error error_;
};

// Builds an Error from the calling thread's errno.
Error LastError(std::string what);

}  // namespace platform
