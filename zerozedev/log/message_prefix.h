#pragma once
// The head of every stream-style line: "[WFE][<level letter>][y-m-d h:m:s] ",
// UTC, numbers without leading zeros: "[WFE][I][2023-3-15 1:5:7] ".

#include <ctime>
#include <string>

namespace cpplog {

// "T", "D", "I", "W", "E", "F" for the levels, "O" for any other value.
const char* LevelLetter(int level);

std::string MessagePrefix(int level, const std::tm& utc);

}  // namespace cpplog
