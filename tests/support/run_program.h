#pragma once
// Runs a program to its end with its output captured, for process-level tests.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

struct ProgramRun {
  int exit_code = -1;   // 128 + signal for a signal death; -1 when it timed out (then killed)
  std::string out;      // standard output
  std::string err;      // standard error
};

// `extra_env` entries ("NAME=value") are added to ours or replace them; use
// ScopedEnv in the test to remove a variable.
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extra_env = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(30));

}  // namespace veska_test
