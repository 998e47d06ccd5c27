#include "tools/veskaroom/event_record.h"

EventRecord::EventRecord(const std::string& path) : path_empty_(path.empty()) {
  if (!path_empty_) file_ = std::fopen(path.c_str(), "a");
}

EventRecord::~EventRecord() {
  if (file_ != nullptr) std::fclose(file_);
}

void EventRecord::Write(std::string_view line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}
