#pragma once
// Command-line texts built by the library, read back by the Windows rules
// (CommandLineToArgvW) that the platform's process start applies.

#include <optional>
#include <string>

namespace kvt {

// An argument after the first: quoted when it holds blanks or quotes, with
// backslashes doubled where the rules would eat them.
std::string QuoteArgument(const std::string& argument);

// The first argument, the program, which the rules read without escapes:
// quoted whole; nothing when it holds a quote itself.
std::optional<std::string> QuoteProgram(const std::string& program);

}  // namespace kvt
