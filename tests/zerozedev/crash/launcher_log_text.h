#pragma once
// What the launcher log has written under a data folder, for tests that
// check the records of crash reporting.

#include <filesystem>
#include <string>
#include <vector>

namespace crash_test {

// The message of every record in every log file below data_home/trvo/logs,
// in file order: what follows the fifth "|".
std::vector<std::string> LogMessages(const std::filesystem::path& data_home);

// Waits (bounded) until a record's message equals `message`.
bool WaitForLogMessage(const std::filesystem::path& data_home, const std::string& message);

bool HasLogMessage(const std::filesystem::path& data_home, const std::string& message);

}  // namespace crash_test
