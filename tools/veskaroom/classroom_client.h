#pragma once
// The substitute classroom client's run: serve the hand-off pipe, connect to
// the launcher, send heartbeats, run the script, then wait for the end.

#include "tools/veskaroom/client_options.h"

// Returns the process exit code.
int RunClassroomClient(const ClientOptions& options);
