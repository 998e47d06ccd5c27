#pragma once
// Loopback ports for test servers.

namespace veska_test {

// A TCP port on 127.0.0.1 that was free a moment ago (the kernel's pick).
int PickFreeLoopbackPort();

// Whether something accepts connections on 127.0.0.1:port.
bool LoopbackPortAccepts(int port);

}  // namespace veska_test
