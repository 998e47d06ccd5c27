#pragma once
// Whether the machine has a network connection (IsNetworkAlive).

#include <functional>

namespace platform {

// True when an interface other than loopback is up and running with an
// address.
bool IsNetworkAlive();

// Replaces the answer for the whole process (tests); an empty function
// restores the real check. The function may be called from any thread.
void SetNetworkAliveForTesting(std::function<bool()> answer);

}  // namespace platform
