#pragma once
#include <string>

namespace zerozedev {

// Applies a pending update, opens the channel to the client, starts the
// crash server and the client, and returns once the client run is over.
void RunClient(const std::u16string& launch_arguments);

}  // namespace zerozedev
