#pragma once

namespace zerozedev {

// Whether this launcher goes on to start a client. A running "veskaroom.exe"
// makes the user choose: OK ends the running ones and goes on, Cancel stops.
// Without a process list, running clients are ended and the launcher goes on.
bool ShouldStartClient();

}  // namespace zerozedev
