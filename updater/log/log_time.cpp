#include "updater/log/log_time.h"

#include <chrono>
#include <cstdio>

namespace updater {

std::tm LocalTimeNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string LogTimeText(const std::tm& localTime) {
  char text[80];
  std::snprintf(text, sizeof text, "%02d %02d %04d %02d:%02d:%02d", localTime.tm_mon + 1,
                localTime.tm_mday, localTime.tm_year + 1900, localTime.tm_hour, localTime.tm_min,
                localTime.tm_sec);
  return text;
}

}  // namespace updater
