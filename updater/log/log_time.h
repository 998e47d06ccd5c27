#pragma once
// Time stamps of log lines: local time as "MM dd yyyy HH:mm:ss".

#include <ctime>
#include <string>

namespace updater {

std::tm LocalTimeNow();
std::string LogTimeText(const std::tm& localTime);

}  // namespace updater
