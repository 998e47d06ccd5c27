#include <pthread.h>
#include <signal.h>

#include "platform/broken_pipe_guard.h"

namespace platform {

void ShieldThreadFromBrokenPipeSignal() {
  // SIGPIPE from a write is directed at the writing thread; blocked there it
  // stays pending and the write reports EPIPE, which the caller hands back.
  sigset_t broken_pipe;
  sigemptyset(&broken_pipe);
  sigaddset(&broken_pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &broken_pipe, nullptr);
}

}  // namespace platform
