#pragma once
// The launcher's command line and the text it passes on to the client.

#include <optional>
#include <string>
#include <vector>

namespace zerozedev {

// The command-line text the launcher works on, without the program name:
// argv[1..] joined by single blanks. (A Windows launcher receives this text
// from the system; here the shell has already split it.)
std::u16string CommandLineFromArgv(const std::vector<std::string>& args);

// Position of the first "veska://" (case counts), if any.
std::optional<size_t> FindUrlPrefix(const std::u16string& command_line);

// The text after the first "veska://", or the whole command line without one.
std::u16string LaunchArgumentText(const std::u16string& command_line);

}  // namespace zerozedev
