#pragma once
// One byte range of the package and the worker that fetches it.

#include <pthread.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

typedef void CURL;

// A page of the file system's cache: writes end on page boundaries.
inline constexpr std::uint32_t kFilePageBytes = 4096;

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
  std::chrono::steady_clock::time_point recordedAt;  // last record written; under the engine's lock
  // Received bytes that follow done and stop short of the next page boundary
  // of the file; under the engine's lock.
  std::array<char, kFilePageBytes> carried;
  std::uint32_t carriedBytes = 0;

  bool complete() const { return done.load() >= length; }
};
