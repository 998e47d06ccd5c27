#include "updater/log/log_time.h"

#include <cstdio>

namespace updater {

std::string LogTimeText(const std::tm& localTime) {
  char text[80];
  std::snprintf(text, sizeof text, "%02d %02d %04d %02d:%02d:%02d", localTime.tm_mon + 1,
                localTime.tm_mday, localTime.tm_year + 1900, localTime.tm_hour, localTime.tm_min,
                localTime.tm_sec);
  return text;
}

}  // namespace updater
