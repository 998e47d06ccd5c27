#pragma once
// Clients left over from an earlier run would compete with the new one for
// the pipe and the crash server, so they go before a launch.

#include <string_view>

namespace zerozedev {

// Ends every process whose executable name equals `exe_name` ignoring case,
// waiting up to five seconds for each. Returns how many were ended.
int TerminateStrayClients(std::string_view exe_name);

}  // namespace zerozedev
