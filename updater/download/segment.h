#pragma once
// One byte range of the package and the worker that fetches it.

#include <pthread.h>

#include <atomic>
#include <cstdint>

typedef void CURL;

struct Segment {
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  // Written under the engine's lock, read without it between requests.
  std::atomic<std::uint32_t> done{0};
  CURL* handle = nullptr;             // under the engine's lock
  pthread_t thread{};
  bool threadStarted = false;         // thread exists and has not been joined
  std::atomic<bool> workerRunning{false};
  int retries = 0;                    // the worker's own
  std::uint32_t requestFrom = 0;      // first byte asked for by the running request

  bool complete() const { return done.load() >= length; }
};
