#pragma once
// What the client saw and did, one event per line, each line flushed as it
// is written so that a test can read it while the client runs. Thread-safe.

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

class EventRecord {
 public:
  // An empty path records nothing.
  explicit EventRecord(const std::string& path);
  ~EventRecord();
  EventRecord(const EventRecord&) = delete;
  EventRecord& operator=(const EventRecord&) = delete;

  bool ok() const { return path_empty_ || file_ != nullptr; }
  void Write(std::string_view line);

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool path_empty_;
};
