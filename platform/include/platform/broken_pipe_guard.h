#pragma once

namespace platform {

// Writing to a pipe whose reader has gone must fail the write, not end the
// process. Called at the start of a loop thread: it holds back the signal
// some systems raise for such a write, for this thread only.
void ShieldThreadFromBrokenPipeSignal();

}  // namespace platform
