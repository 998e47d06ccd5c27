#pragma once
#include <string>

namespace zerozedev {

// The launcher's whole run for one command-line text (without the program
// name). Returns the process exit code: 1 when an address had to be handed
// to a running client whose URL pipe could not be opened, else 0.
int wWinMain(const std::u16string& command_line);

}  // namespace zerozedev
