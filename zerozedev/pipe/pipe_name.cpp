#include "zerozedev/pipe/pipe_name.h"

#include <uv.h>

#include <cstdio>
#include <mutex>
#include <random>

std::string DrawPipeShortName() {
  static std::mutex mutex;
  static std::mt19937 generator;  // default seed, never reseeded
  unsigned long long draw = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    draw = generator();
  }
  char text[48];
  std::snprintf(text, sizeof text, "%lu_%lld", static_cast<unsigned long>(uv_os_getpid()),
                static_cast<long long>(draw));
  return text;
}

std::string PipeNameForShortName(const std::string& short_name) {
  return kPipeNamePrefix + short_name;
}
