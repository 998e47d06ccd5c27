#pragma once
// Reading back what LauncherLog wrote under a data folder.

#include <filesystem>
#include <string>
#include <vector>

namespace launcher_log_test {

// <data>/trvo/logs/<log name>/<the one program folder in it>; empty when
// there is not exactly one.
std::filesystem::path OnlyProgramFolder(const std::filesystem::path& data, const std::string& logName);

// The log files of `folder` in the order they were created:
// <s>.log, <s>_1.log, <s>_2.log, ..., then the next second.
std::vector<std::filesystem::path> LogFilesInOrder(const std::filesystem::path& folder);

// Lines of all files in creation order, each without its "\n".
std::vector<std::string> AllLines(const std::filesystem::path& folder);

// The message field: what follows the fifth "|".
std::string MessageOf(const std::string& line);

}  // namespace launcher_log_test
