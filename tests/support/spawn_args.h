#pragma once
// The argument and environment arrays posix_spawn wants, built from strings.

#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

// argv[0] is the program's path, then `args`.
std::vector<std::string> ArgvStrings(const std::filesystem::path& program,
                                     const std::vector<std::string>& args);

// Our environment with each "KEY=value" of `extra_env` replacing its key.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra_env);

// Null-terminated pointers into `strings`, which must outlive them.
std::vector<char*> Pointers(std::vector<std::string>& strings);

}  // namespace veska_test
