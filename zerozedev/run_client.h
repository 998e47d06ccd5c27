#pragma once
#include <string>

#include "zerozedev/process/client_command_line.h"

namespace zerozedev {

// The client's command line: its program name, the launch arguments cut at
// blanks, and the switches naming the launcher's pipe and crash server.
ClientCommandLine BuildClientCommandLine(const std::u16string& launch_arguments,
                                         const std::string& pipe_name);

// Applies a pending update, opens the channel to the client, starts the
// crash server and the client, and returns once the client run is over.
void RunClient(const std::u16string& launch_arguments);

}  // namespace zerozedev
