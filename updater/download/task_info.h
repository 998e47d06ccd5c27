#pragma once
// The job's progress as the window sees it, copied by value.

#include <cstdint>
#include <string>

struct TaskInfo {
  std::string md5;                  // the expected digest
  std::int64_t downloadedBytes = 0;
  std::int64_t totalBytes = 0;      // 0 until the server told the size
};
