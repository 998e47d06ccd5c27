#include "zerozedev/log/message_prefix.h"

#include <sstream>

namespace cpplog {

const char* LevelLetter(int level) {
  static constexpr const char* kLetters[] = {"T", "D", "I", "W", "E", "F"};
  return level >= 0 && level < 6 ? kLetters[level] : "O";
}

std::string MessagePrefix(int level, const std::tm& utc) {
  std::ostringstream prefix;
  prefix << "[WFE][" << LevelLetter(level) << "][" << utc.tm_year + 1900 << "-" << utc.tm_mon + 1 << "-"
         << utc.tm_mday << " " << utc.tm_hour << ":" << utc.tm_min << ":" << utc.tm_sec << "] ";
  return prefix.str();
}

}  // namespace cpplog
