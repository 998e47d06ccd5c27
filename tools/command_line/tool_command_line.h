#pragma once
// The command-line convention of the programs in tools/ and bench/: GNU-style
// long options (--name=value or --name value), --help prints the usage on
// standard output and ends the program with 0, and a bad option or value is
// named on standard error and ends it with 2.

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

inline constexpr int kExitBadCommandLine = 2;

// Parses the arguments (program name excluded) into `app`, whose name is the
// program's. Returns the exit code when the program is to end at once (0
// after the usage, 2 after the fault), nothing when it goes on.
std::optional<int> ParseToolCommandLine(CLI::App& app, const std::vector<std::string>& args);
std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, char** argv);

// The usage text that --help prints.
std::string ToolUsage(CLI::App& app);
