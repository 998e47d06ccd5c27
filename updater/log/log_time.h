#pragma once
// Time stamps of log lines: a local time as "MM dd yyyy HH:mm:ss".

#include <ctime>
#include <string>

namespace updater {

std::string LogTimeText(const std::tm& localTime);

}  // namespace updater
